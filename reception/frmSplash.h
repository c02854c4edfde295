#pragma once

#include "SplashWindow.h"

class DESKDB;

/// The reception's splash: when its start timer fires it runs the start-up and shows the lobby.
class frmSplash : public SplashWindow
{
    Q_OBJECT

public:
    explicit frmSplash(DESKDB &desk);

private:
    void startProgram();

    DESKDB &m_desk;
};
