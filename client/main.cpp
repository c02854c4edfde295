// quorvelClient: the representative's desk.
#include "ClientSettings.h"
#include "FileDialog.h"
#include "MessageBoxPrompter.h"
#include "ProgramVersion.h"
#include "QtSound.h"
#include "QueueWaitIndicator.h"
#include "QuorvelLogo.h"
#include "SplashWindow.h"
#include "frmLobby.h"
#include "lobbyDB.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (ProgramVersion::isAsked(argc, argv))
        return ProgramVersion::print(QStringLiteral("quorvelClient"));
    QApplication app(argc, argv);
    app.setWindowIcon(quorvelLogo(64));
    showQueueLockWaits();
    MessageBoxPrompter prompter;
    SystemClock clock;
    ProcessEnd programEnd;

    SplashWindow splash(lobbyDB::programInfo(), prompter, programEnd);
    if (!splash.load())
        return 1;

    ClientSettings settings;
    QtSound sound;
    QtFileDialog files;
    lobbyDB program({prompter, clock, programEnd, settings, sound, files},
                    QCoreApplication::applicationDirPath(), app.arguments().mid(1));
    QObject::connect(&splash, &SplashWindow::startUp, &program, [&] {
        const bool started = program.initiateProgram();
        splash.close();
        if (started)
            program.mainWindow().show();
    });
    splash.show();
    return app.exec();
}
