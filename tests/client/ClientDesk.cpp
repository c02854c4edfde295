#include "ClientDesk.h"

#include "QueueRecord.h"
#include "Store.h"
#include "frmLobby.h"

#include <QDeadlineTimer>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

ClientDesk::ClientDesk(TestFolder &folder, const QString &username, const QStringList &arguments)
    : settingsPath(
          folder.filePath(QStringLiteral("settings-%1.conf")
                              .arg(username.isEmpty() ? QStringLiteral("new") : username))),
      settings(settingsPath), m_folder(folder)
{
    if (!username.isEmpty()) {
        store(QStringLiteral("whoami"), username);
        store(QStringLiteral("soundSource"), QStringLiteral("1"));
        store(QStringLiteral("soundPath"), folder.filePath(QStringLiteral("media/chimes.wav")));
        store(QStringLiteral("window"), QStringLiteral("1"));
    }
    program = std::make_unique<lobbyDB>(
        ClientServices{prompter, folder.clock, programEnd, settings, sound, files}, folder.path(),
        arguments);
}

ClientDesk::~ClientDesk() = default;

bool ClientDesk::start()
{
    return program->initiateProgram();
}

bool ClientDesk::startOnTab(const char *tab)
{
    if (!start())
        return false;
    window().show();
    find<QTabWidget>("SSTab1")->setCurrentWidget(find<QWidget>(tab));
    prompter.clear();
    return true;
}

QTreeWidget *ClientDesk::waitingList()
{
    return find<QTreeWidget>("lstMembers");
}

QString ClientDesk::shownName()
{
    return find<QLabel>("lblName")->text();
}

void ClientDesk::doubleClickRow(int row)
{
    ::doubleClickRow(waitingList(), row);
}

void doubleClickRow(QTreeWidget *list, int row)
{
    const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
    // A lone double-click is not what a user sends: the first click selects the row.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void ClientDesk::store(const QString &name, const QVariant &value)
{
    QSettings file(settingsPath, QSettings::NativeFormat);
    file.setValue(name, value);
}

QString ClientDesk::stored(const QString &name)
{
    return QSettings(settingsPath, QSettings::NativeFormat).value(name).toString();
}

void onNextDialog(const std::function<void(QDialog *)> &act)
{
    auto *timer = new QTimer;
    auto deadline = std::make_shared<QDeadlineTimer>(5000);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, act] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog && !deadline->hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (!dialog)
            return;
        act(dialog);
        // A check that failed inside `act` must not leave the dialog waiting for ever.
        if (dialog->isVisible())
            dialog->reject();
    });
    timer->start();
}

int queueIdOf(TestFolder &folder, const QString &first, const QString &last, int *status,
              int *userId)
{
    for (const StoredQueueRecord &record : folder.queued()) {
        if (record.texts.firstName != first || record.texts.lastName != last)
            continue;
        if (status)
            *status = record.texts.lobbyStatus.toInt();
        if (userId)
            *userId = record.texts.userId.toInt();
        return record.id;
    }
    return 0;
}
