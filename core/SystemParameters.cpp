#include "SystemParameters.h"

#include "IniFile.h"

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
    // The number at the start, as a number reads: blanks, a sign, digits with at most one
    // point, an exponent only when digits follow it. Scanned by hand, as every program and
    // every quorvelctl command reads it at start.
    qsizetype at = 0;
    const auto digits = [&] {
        const qsizetype from = at;
        while (at < value.size() && value.at(at) >= u'0' && value.at(at) <= u'9')
            ++at;
        return at - from;
    };
    while (at < value.size() && value.at(at).isSpace())
        ++at;
    const qsizetype start = at;
    if (at < value.size() && (value.at(at) == u'+' || value.at(at) == u'-'))
        ++at;
    qsizetype mantissa = digits();
    if (at < value.size() && value.at(at) == u'.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0;
    const qsizetype end = at;
    if (at < value.size() && (value.at(at) == u'e' || value.at(at) == u'E')) {
        ++at;
        if (at < value.size() && (value.at(at) == u'+' || value.at(at) == u'-'))
            ++at;
        if (digits() == 0)
            at = end;
    }
    return value.mid(start, at - start).toDouble();
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
