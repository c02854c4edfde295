#pragma once

#include <QString>
#include <QStringList>

/// Which program runs: the reception and the client differ in log file, texts and order.
enum class ProgramKind
{
    Reception,
    Client
};

/// The program-wide configuration values, set once at start-up.
struct SystemParameters
{
    QString programFolder;
    QString dataPath;
    QString queuePath;
    QString historyPath;
    QString systemPath;
    double MaxLimit = 0;
    bool logEnabled = false;
    QString logPath;
    QString serverConnection; // a libpq connection; empty: the data folder holds everything

    QString watchDogPath() const;
    QString iniPath() const;
    QString archiveFolder() const;       // data/archive
    QString historyTemplatePath() const; // system/history.mdb
    QString helpPagePath() const;
    QString chimePath() const;
};

/// The key `MaxLimit` as the programs read it: "none" is 10, a leading number (fraction
/// allowed) is that number, anything else is 0.
double parseMaxLimit(const QString &value);

/// True when the whole command line is "-L", letter case ignored.
bool isLogSwitch(const QStringList &arguments);

/// True when the whole command line is exactly "test".
bool isTestSwitch(const QStringList &arguments);

/// The client's fixed test data folder that "test" selects.
QString clientTestDataPath();

/// Reads `vedez.ini` in `programFolder`: sets the program folder, `dataPath` and `MaxLimit`.
void loadSystemParameters(const QString &programFolder, SystemParameters &params);

/// Forms `queuePath`, `historyPath` and `systemPath` from `dataPath`.
void formFilePaths(SystemParameters &params);

/// The log file of each program, in the program folder.
QString logPathFor(ProgramKind kind, const QString &programFolder);

/// The path `name` inside `folder`, without doubling a trailing separator.
QString joinPath(const QString &folder, const QString &name);
