#pragma once

#include <QString>
#include <QStringList>

/// The menu entries of a workstation that start the programs from one program folder, with the
/// program icon in the hicolor theme: for the current user or for every user.
class DesktopLaunchers
{
public:
    /// `dataFolder` is where "applications" and "icons" lie: ~/.local/share, or /usr/local/share
    /// for every user.
    explicit DesktopLaunchers(const QString &dataFolder) : m_dataFolder(dataFolder) {}

    static QString userDataFolder();
    static QString systemDataFolder();

    /// Replaces our entries by one for each program present in `programFolder`; the files
    /// written are in `written`. False with `error` set when a file cannot be written or no
    /// program is there.
    bool install(const QString &programFolder, QStringList &written, QString &error);

    /// Takes our entries and the icon away; the files removed are in `removed`.
    bool remove(QStringList &removed, QString &error);

    /// The desktop entry that starts `executable` of `programFolder`.
    static QByteArray entryFor(const QString &programFolder, const QString &executable);

private:
    QString m_dataFolder;
};
