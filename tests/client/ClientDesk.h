#pragma once

#include "ClientSettings.h"
#include "ScriptedFileDialog.h"
#include "FakeSound.h"
#include "TestSupport.h"
#include "frmLobby.h"
#include "lobbyDB.h"

#include <QApplication>
#include <QStringList>

#include <functional>
#include <memory>

class QDialog;
class QTreeWidget;

/// One representative's client on a test program folder: its own boxes, program end, sound and
/// settings file, sharing the folder's clock.
class ClientDesk
{
public:
    /// A desk whose settings already name `username` ("" for a first run, no settings at all).
    ClientDesk(TestFolder &folder, const QString &username, const QStringList &arguments = {});
    ~ClientDesk();

    RecordingPrompter prompter;
    RecordingProgramEnd programEnd;
    FakeSound sound;
    ScriptedFileDialog files;
    QString settingsPath;
    ClientSettings settings;
    std::unique_ptr<lobbyDB> program;

    /// Runs the start-up; false when the program ended in it.
    bool start();
    /// Starts, shows the main window on the tab `tab` and forgets the start-up's boxes.
    bool startOnTab(const char *tab);

    ClientState &state() { return program->state(); }
    frmLobby &window() { return program->mainWindow(); }
    template <typename T> T *find(const char *name)
    {
        return program->mainWindow().findChild<T *>(QLatin1String(name));
    }
    QTreeWidget *waitingList();
    QString shownName();
    /// Double-clicks the waiting row `row` as a user would.
    void doubleClickRow(int row);

    /// Stores a value in this desk's settings file as another program would.
    void store(const QString &name, const QVariant &value);
    QString stored(const QString &name);

private:
    TestFolder &m_folder;
};

/// Double-clicks the row `row` of `list` as a user would.
void doubleClickRow(QTreeWidget *list, int row);

/// The control named `name` in the window or dialog `parent`.
template <typename T> T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

/// Runs `act` on the next modal dialog once it is open (bounded wait).
void onNextDialog(const std::function<void(QDialog *)> &act);

/// The id of the waiting customer `first` `last` in the queue file; 0 when not there.
int queueIdOf(TestFolder &folder, const QString &first, const QString &last, int *status = nullptr,
              int *userId = nullptr);
