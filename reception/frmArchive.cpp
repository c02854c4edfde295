#include "frmArchive.h"

#include "ui_frmArchive.h"

#include "DESKDB.h"
#include "frmLobby.h"

#include "HistoryArchive.h"

#include <QGuiApplication>

frmArchive::frmArchive(DESKDB &desk, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmArchive>()), m_desk(desk)
{
    m_ui->setupUi(this);
    m_ui->Label1->setText(QStringLiteral("Be sure that no copies of Quorvel are running ") +
                          QStringLiteral("before you use this function! ") +
                          QStringLiteral("\n\n") +
                          QStringLiteral("Once the archive is complete, you will need to restart "
                                         "this program."));
    connect(m_ui->cmdArchive, &QPushButton::clicked, this, &frmArchive::archive);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    adjustSize();
}

frmArchive::~frmArchive() = default;

void frmArchive::archive()
{
    CoreContext &context = m_desk.context;
    if (!context.prompter().ask(QStringLiteral("Are you sure you wish to proceed?"),
                                QStringLiteral("DB Archive")))
        return;
    // The poll must not reload while the history database changes hands.
    frmLobby &lobby = m_desk.lobby();
    lobby.stopPolling();
    QString archivePath;
    Failure failure;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // Into a file of the archive folder on either store: the export and the statistics open
    // archives there, and a desk has no right to make tables on a server.
    const bool archived = context.store().archiveHistory(true, archivePath, failure);
    QGuiApplication::restoreOverrideCursor();
    if (!archived) {
        context.prompter().message(HistoryArchive::failureText(failure), QStringLiteral("Error"),
                                   Prompter::Icon::Critical);
        // Nothing changed, so the lobby goes on showing the queue.
        lobby.startPolling();
        return;
    }
    context.prompter().message(HistoryArchive::completeText(archivePath),
                               DESKDB::programInfo().instanceName, Prompter::Icon::NoIcon);
    context.programEnd().endProgram(0);
    accept();
}
