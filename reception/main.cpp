// harbrin: the reception desk of the lobby queue.
#include "DESKDB.h"
#include "frmSplash.h"

#include "Clock.h"
#include "MessageBoxPrompter.h"
#include "ProgramEnd.h"
#include "ProgramVersion.h"
#include "QueueWaitIndicator.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (ProgramVersion::isAsked(argc, argv))
        return ProgramVersion::print(QStringLiteral("harbrin"));
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationVersion(DESKDB::programInfo().version);

    showQueueLockWaits();
    MessageBoxPrompter prompter;
    SystemClock clock;
    ProcessEnd programEnd;
    DESKDB desk(prompter, clock, programEnd, QCoreApplication::applicationDirPath(),
                app.arguments().mid(1));
    frmSplash splash(desk);
    if (!splash.load())
        return 1;
    splash.show();
    return app.exec();
}
