#include "frmPref.h"

#include "ui_frmPref.h"

#include "FileDialog.h"
#include "SelectAllOnFocus.h"
#include "StorableText.h"
#include "frmLobby.h"
#include "lobbyDB.h"

#include <QKeyEvent>

namespace {
using Setting = ClientSettings::Setting;
} // namespace

frmPref::frmPref(lobbyDB &program, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmPref>()), m_program(program)
{
    m_ui->setupUi(this);
    m_program.mainWindow().stopPolling();
    fill();

    const auto enableUpdate = [this] { m_ui->cmdOK->setEnabled(true); };
    const auto enableUpdateIfFilled = [this](const QString &text) {
        m_ui->cmdOK->setEnabled(!text.isEmpty());
    };
    connect(m_ui->notifySound, &QCheckBox::toggled, this, &frmPref::soundFileToggled);
    connect(m_ui->useSpeaker, &QCheckBox::toggled, this, [this](bool ticked) {
        if (ticked)
            m_ui->notifySound->setChecked(false);
    });
    connect(m_ui->notifySound, &QCheckBox::clicked, this, enableUpdate);
    connect(m_ui->useSpeaker, &QCheckBox::clicked, this, enableUpdate);
    connect(m_ui->notifyWindow, &QCheckBox::clicked, this, enableUpdate);
    connect(m_ui->txtUsername, &QLineEdit::textChanged, this, enableUpdateIfFilled);
    connect(m_ui->txtWavePath, &QLineEdit::textChanged, this, enableUpdateIfFilled);
    connect(m_ui->txtDesk, &QLineEdit::textEdited, this, enableUpdate);
    connect(m_ui->cmdBrowse, &QPushButton::clicked, this, &frmPref::browse);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &frmPref::update);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &frmPref::reject);

    for (QLineEdit *entry : {m_ui->txtUsername, m_ui->txtDesk, m_ui->txtWavePath, m_ui->txtPath})
        selectAllOnFocus(entry);
    m_ui->txtUsername->installEventFilter(this);
    m_ui->txtWavePath->installEventFilter(this);

    adjustSize();
    // Shown, the dialog centres itself on the window it belongs to.
}

frmPref::~frmPref() = default;

void frmPref::fill()
{
    const ClientState &state = m_program.state();
    m_ui->txtUsername->setText(state.username);
    m_ui->txtDesk->setText(state.desk);
    m_ui->txtPath->setText(m_program.context().params.dataPath);
    m_ui->txtWavePath->setText(state.soundPath);
    m_ui->notifyWindow->setChecked(state.notifyOnTop == 1);
    m_ui->notifySound->setChecked(state.soundSource == 2);
    m_ui->useSpeaker->setChecked(state.soundSource == 1);
    soundFileToggled(m_ui->notifySound->isChecked());
    m_ui->txtUsername->setFocus();
    m_ui->cmdOK->setEnabled(false);
}

void frmPref::soundFileToggled(bool ticked)
{
    // Without an audio output there is no file to choose for.
    const bool usable = ticked && m_program.notifier().soundAvailable();
    m_ui->txtWavePath->setEnabled(usable);
    m_ui->cmdBrowse->setEnabled(usable);
    if (ticked)
        m_ui->useSpeaker->setChecked(false);
}

bool frmPref::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QDialog::eventFilter(watched, event);
    if (watched == m_ui->txtUsername) {
        if (m_ui->cmdOK->isEnabled())
            update();
        return true;
    }
    if (watched == m_ui->txtWavePath) {
        if (m_ui->cmdOK->isEnabled())
            m_ui->cmdOK->setFocus();
        else
            m_ui->txtUsername->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmPref::browse()
{
    const QString chosen =
        m_program.files().openFileName(this, {QStringLiteral("Sound Files"),
                                              m_program.programFolder() + QStringLiteral("/media"),
                                              {QStringLiteral("WAV Files (*.wav)")}});
    if (chosen.isEmpty())
        return;
    m_program.state().soundPath = chosen;
    m_ui->txtWavePath->setText(chosen);
}

void frmPref::update()
{
    Prompter &prompter = m_program.context().prompter();
    ClientState &state = m_program.state();
    if (m_ui->notifySound->isChecked() &&
        m_ui->txtWavePath->text().right(3).toUpper() != QLatin1String("WAV")) {
        prompter.message(QStringLiteral("Sound file is not a valid WAV file."),
                         QStringLiteral("Error"), Prompter::Icon::Critical);
        m_ui->txtWavePath->setFocus();
        return;
    }
    state.username = m_ui->txtUsername->text();
    if (!m_program.loadUserInfo()) {
        prompter.message(QStringLiteral("Invalid Username!"), QStringLiteral("Error"),
                         Prompter::Icon::Critical);
        m_ui->txtUsername->setFocus();
        return;
    }
    state.soundSource = m_ui->notifySound->isChecked() ? 2 : m_ui->useSpeaker->isChecked() ? 1 : 0;
    state.soundPath = m_ui->txtWavePath->text();
    state.notifyOnTop = m_ui->notifyWindow->isChecked() ? 1 : 0;
    state.desk = storableText(m_ui->txtDesk->text()).simplified();

    m_program.putUserSetting(Setting::Whoami, state.username);
    m_program.putUserSetting(Setting::SoundSource, QString::number(state.soundSource));
    m_program.putUserSetting(Setting::SoundPath, state.soundPath);
    m_program.putUserSetting(Setting::Window, QString::number(state.notifyOnTop));
    m_program.putUserSetting(Setting::Desk, state.desk);

    m_program.mainWindow().emptyEventAndHistoryLists();
    m_program.mainWindow().startPolling();
    m_program.mainWindow().showRepresentative();
    if (state.soundSource == 2)
        m_program.notifier().openSoundFile();
    prompter.message(QStringLiteral("New settings have been saved."),
                     QStringLiteral("Update Preferences"), Prompter::Icon::Information);
    accept();
}

void frmPref::reject()
{
    if (m_program.state().userNumber == 0) {
        m_program.context().prompter().message(
            QStringLiteral("This program can not continue without a valid Username."),
            QStringLiteral("Error"), Prompter::Icon::Critical);
        m_program.endProgram(1);
        QDialog::reject();
        return;
    }
    QDialog::reject();
}

void frmPref::done(int result)
{
    QDialog::done(result);
    if (m_program.ended())
        return;
    m_program.loadUserInfo();
    m_program.mainWindow().startPolling();
}
