#include "SharedFileCheck.h"

#include "CoreContext.h"
#include "DataFormat.h"
#include "kzrUtility.h"

namespace {
struct SharedFile
{
    QString path;
    const char *expectedName;
    const char *displayName;
    QString label;
};
} // namespace

bool checkSharedFiles(const CoreContext &context, ProgramKind kind)
{
    const SystemParameters &p = context.params;
    const bool reception = kind == ProgramKind::Reception;
    const SharedFile files[] = {
        {p.queuePath, "lobbydata.xml", "lobbyData.xml", QStringLiteral("lobbyXMLPath is:  ")},
        {p.historyPath, "history.mdb", "history.mdb", QStringLiteral("historyDB is:  ")},
        {p.systemPath, "systemdata.mdb", "systemData.mdb",
         reception ? QStringLiteral("systemDB is:  ") : QStringLiteral("userDB is:  ")},
    };

    bool missing = false;
    for (const SharedFile &file : files) {
        if (kzrUtility::validateFileExists(file.path, QLatin1String(file.expectedName)))
            continue;
        missing = true;
        const QString name = QLatin1String(file.displayName);
        const QString text = QStringLiteral("Could not locate %1.  ").arg(name) +
                             QLatin1Char('\r') + QStringLiteral("Application path is:  ") +
                             p.programFolder + QLatin1Char('\r') + file.label + file.path +
                             QLatin1Char('\r') + QStringLiteral("filePath is:  ") + p.dataPath;
        const QString logLine = QStringLiteral("Could not locate %1 at %2").arg(name, file.path);
        if (!reception)
            context.log(logLine);
        context.prompter().message(text, QStringLiteral("Debug"), Prompter::Icon::Information);
        if (reception)
            context.log(logLine);
    }
    if (!missing)
        return true;

    const QString fatal =
        reception
            ? QStringLiteral("Quorvel could not find one or more of the required database "
                             "files.  Check that the Database Filepath in the Misc Options "
                             "is set correctly.")
            : QStringLiteral("Quorvel could not locate one or more of the required database "
                             "files.  Contact the system administrator.") +
                  QLatin1Char('\r') + QStringLiteral("Current filepath is set to:  ") + p.dataPath;
    context.prompter().message(fatal, QStringLiteral("Error"), Prompter::Icon::Critical);
    context.programEnd().endProgram(1);
    return false;
}

bool checkDataFormat(CoreContext &context, const QString &program)
{
    QString error;
    if (DataFormat::bringUpToDate(context, program, error))
        return true;
    context.log(error);
    context.prompter().message(error, QStringLiteral("Error"), Prompter::Icon::Critical);
    context.programEnd().endProgram(1);
    return false;
}
