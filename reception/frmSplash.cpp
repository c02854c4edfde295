#include "frmSplash.h"

#include "DESKDB.h"
#include "frmLobby.h"

frmSplash::frmSplash(DESKDB &desk)
    : SplashWindow(DESKDB::programInfo(), desk.context.prompter(), desk.context.programEnd()),
      m_desk(desk)
{
    setObjectName(QStringLiteral("frmSplash"));
    connect(this, &SplashWindow::startUp, this, &frmSplash::startProgram);
}

void frmSplash::startProgram()
{
    const bool started = m_desk.initiateProgram();
    close();
    if (started)
        m_desk.lobby().show();
}
