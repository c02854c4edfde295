#include "SystemParameters.h"

#include "IniFile.h"

#include <QRegularExpression>

QString joinPath(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString SystemParameters::watchDogPath() const
{
    return joinPath(dataPath, QStringLiteral("watchdog.dat"));
}

QString SystemParameters::iniPath() const
{
    return joinPath(programFolder, QStringLiteral("vedez.ini"));
}

QString SystemParameters::archiveFolder() const
{
    return joinPath(dataPath, QStringLiteral("archive"));
}

QString SystemParameters::historyTemplatePath() const
{
    return joinPath(programFolder, QStringLiteral("system/history.mdb"));
}

QString SystemParameters::helpPagePath() const
{
    return joinPath(programFolder, QStringLiteral("help/default.htm"));
}

QString SystemParameters::chimePath() const
{
    return joinPath(programFolder, QStringLiteral("media/chimes.wav"));
}

double parseMaxLimit(const QString &value)
{
    if (value == QLatin1String("none"))
        return 10;
    static const QRegularExpression leadingNumber(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    const QRegularExpressionMatch m = leadingNumber.match(value);
    return m.hasMatch() ? m.captured(1).toDouble() : 0;
}

bool isLogSwitch(const QStringList &arguments)
{
    return arguments.join(QLatin1Char(' ')).toUpper() == QLatin1String("-L");
}

bool isTestSwitch(const QStringList &arguments)
{
    return arguments.join(QLatin1Char(' ')) == QLatin1String("test");
}

QString clientTestDataPath()
{
    return QStringLiteral("/srv/quorvel-test/data");
}

void loadSystemParameters(const QString &programFolder, SystemParameters &params)
{
    params.programFolder = programFolder;
    params.dataPath = joinPath(programFolder, QStringLiteral("data"));
    const QString value = IniFile::readString(params.iniPath(), QStringLiteral("time"),
                                              QStringLiteral("MaxLimit"), QString());
    params.MaxLimit = parseMaxLimit(value);
    params.serverConnection = IniFile::readString(params.iniPath(), QStringLiteral("server"),
                                                  QStringLiteral("Connection"), QString())
                                  .trimmed();
}

void formFilePaths(SystemParameters &params)
{
    params.queuePath = joinPath(params.dataPath, QStringLiteral("lobbyData.xml"));
    params.historyPath = joinPath(params.dataPath, QStringLiteral("history.mdb"));
    params.systemPath = joinPath(params.dataPath, QStringLiteral("systemData.mdb"));
}

QString logPathFor(ProgramKind kind, const QString &programFolder)
{
    return joinPath(programFolder, kind == ProgramKind::Reception
                                       ? QStringLiteral("frontLog.log")
                                       : QStringLiteral("clientLog.log"));
}
