#pragma once

#include <QList>
#include <QString>

/// A running desk's mark in the data folder (`data/desks/`), so that an administrator can tell
/// which workstations still have the office open before restoring or upgrading it. The mark is
/// a small file that the program keeps locked while it runs and removes when it ends.
class DeskPresence
{
public:
    /// Leaves the mark of `program` in `dataPath`; a folder without `desks/` gets none.
    DeskPresence(const QString &dataPath, const QString &program);
    ~DeskPresence();
    DeskPresence(const DeskPresence &) = delete;
    DeskPresence &operator=(const DeskPresence &) = delete;

    /// A program that has the folder open, as its mark tells.
    struct Holder
    {
        QString program;
        QString host;
        qint64 pid = 0;
        QString account;
        QString markPath;
        bool confirmed = false; // seen alive; else a workstation whose locks do not reach here
    };

    /// Every program that has the folder open. A mark left by a program of this workstation
    /// that has ended is removed; a mark of another workstation always counts, since a share
    /// may hide that workstation's locks (a crashed one's mark is deleted by hand).
    static QList<Holder> holders(const QString &dataPath);

    /// "harbrin on ws1 (process 1234, user dana)"; unconfirmed ones say how to clear the mark.
    static QString describe(const Holder &holder);

    static QString folderFor(const QString &dataPath);

    /// The name of the account this process runs as.
    static QString thisAccount();

private:
    QString m_path;
    int m_fd = -1;
};
