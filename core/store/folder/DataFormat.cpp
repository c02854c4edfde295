#include "DataFormat.h"

#include "CoreContext.h"
#include "DeskPresence.h"
#include "HistoryColumns.h"
#include "IniFile.h"
#include "LockedSection.h"
#include "ProgramVersion.h"
#include "SystemParameters.h"
#include "kzrUtility.h"

#include <QDir>

namespace DataFormat {

namespace {
/// Brings the office's history and the template of the next one up to the columns these
/// programs write. A later column is added by listing it in HistoryColumns and raising the
/// format with a step that calls this again.
bool addNewHistoryColumns(const SystemParameters &params, QString &error)
{
    for (const QString &path : {params.historyPath, params.historyTemplatePath()}) {
        Failure failure;
        if (!HistoryColumns::addMissing(path, failure)) {
            error = QStringLiteral("%1: %2").arg(path, failure.description);
            return false;
        }
    }
    return true;
}

/// One change of the layout: what a folder of the format before needs to become `format`.
struct Step
{
    int format;
    const char *change;
    bool (*apply)(const SystemParameters &params, QString &error);
};

const Step steps[] = {
    {2, "the data folder records its format and has data/desks for the open desks' marks",
     [](const SystemParameters &params, QString &error) {
         const QString desks = DeskPresence::folderFor(params.dataPath);
         if (QDir().mkpath(desks))
             return true;
         error = QStringLiteral("Could not create %1.").arg(desks);
         return false;
     }},
    {3, "history.mdb and the archive template have every column of history (desk)",
     addNewHistoryColumns},
    {4, "history has a key for every visit (visitKey, unique)", addNewHistoryColumns},
};

const QString section = QStringLiteral("data");

QString formatPath(const QString &dataPath)
{
    return joinPath(dataPath, QStringLiteral("format.ini"));
}

bool write(const QString &dataPath, const QString &key, const QString &value, QString &error)
{
    return IniFile::writeString(formatPath(dataPath), section, key, value, &error);
}
} // namespace

int recorded(const QString &dataPath)
{
    const QString value =
        IniFile::readString(formatPath(dataPath), section, QStringLiteral("Format"), QString());
    bool ok = false;
    const int format = value.trimmed().toInt(&ok);
    return ok ? format : 1;
}

bool recordNew(const QString &dataPath, QString &error)
{
    return write(dataPath, QStringLiteral("Format"), QString::number(Current), error) &&
           write(dataPath, QStringLiteral("LaidOutBy"), ProgramVersion::number(), error);
}

bool bringUpToDate(CoreContext &context, const QString &program, QString &error)
{
    const QString dataPath = context.params.dataPath;
    const auto tooNew = [&](int format) {
        error = QStringLiteral("The data folder %1 is in data format %2, laid out by a newer "
                               "version of Quorvel; this %3 is version %4 and knows data format "
                               "%5 at most, so it writes nothing there. Install the new version "
                               "on this workstation.")
                    .arg(dataPath)
                    .arg(format)
                    .arg(program, ProgramVersion::number())
                    .arg(Current);
        return false;
    };
    int format = recorded(dataPath);
    if (format > Current)
        return tooNew(format);
    if (format == Current)
        return true;

    LockedSection locked(context);
    Failure failure;
    if (!locked.acquire(failure)) {
        error = failure.description;
        return false;
    }
    // Another desk may have brought it up while this one waited for the lock.
    format = recorded(dataPath);
    if (format > Current)
        return tooNew(format);
    for (const Step &step : steps) {
        if (step.format <= format)
            continue;
        // Each step is recorded as soon as it is done, so a failed upgrade resumes after it.
        if (!step.apply(context.params, error) ||
            !write(dataPath, QStringLiteral("Format"), QString::number(step.format), error))
            return false;
        const QString line =
            QStringLiteral("Data format %1 to %2 by %3 %4: %5")
                .arg(format)
                .arg(step.format)
                .arg(program, ProgramVersion::number(), QLatin1String(step.change));
        kzrUtility(context).insertLogEntry(line, joinPath(dataPath, QStringLiteral("upgrade.log")));
        context.log(line);
        format = step.format;
    }
    return true;
}

} // namespace DataFormat
