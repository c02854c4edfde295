#include "frmExport.h"

#include "ui_frmExport.h"

#include "DESKDB.h"
#include "ServiceChoices.h"

#include "FileDialog.h"
#include "HistoryExport.h"
#include "OutputPath.h"
#include "SelectAllOnFocus.h"
#include "TextForms.h"

#include <QDir>
#include <QGuiApplication>
#include <QProgressDialog>

frmExport::frmExport(DESKDB &desk, FileDialog &files, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmExport>()), m_desk(desk), m_files(files)
{
    m_ui->setupUi(this);
    for (QLineEdit *entry :
         {m_ui->txtDBFilename, m_ui->txtFilename, m_ui->txtDate_0, m_ui->txtDate_1, m_ui->txtOther})
        selectAllOnFocus(entry);
    connect(m_ui->txtDBFilename, &QLineEdit::textChanged, this, &frmExport::pathsChanged);
    connect(m_ui->txtFilename, &QLineEdit::textChanged, this, &frmExport::pathsChanged);
    connect(m_ui->lstServices, &QComboBox::currentIndexChanged, this, &frmExport::serviceChosen);
    connect(m_ui->cmdDBBrowse, &QPushButton::clicked, this, &frmExport::browseDatabase);
    connect(m_ui->cmdBrowse, &QPushButton::clicked, this, &frmExport::browseOutput);
    connect(m_ui->cmdProcess, &QPushButton::clicked, this, &frmExport::exportData);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    loadReps();
    loadServiceList();
    m_ui->lstReps->setCurrentIndex(0);
    m_ui->lstServices->setCurrentIndex(AllServices);
    serviceChosen(AllServices);
    const QString today = TextForms::screenDate(m_desk.context.clock().today());
    m_ui->txtDate_0->setText(today);
    m_ui->txtDate_1->setText(today);
    pathsChanged();
    adjustSize();
}

frmExport::~frmExport() = default;

void frmExport::loadReps()
{
    m_ui->lstReps->addItem(QStringLiteral("All Reps"), 0);
    // Left to us: a failed read leaves the list with the users read so far, without a box.
    addActiveReps(m_desk, m_ui->lstReps);
}

void frmExport::loadServiceList()
{
    QComboBox *list = m_ui->lstServices;
    list->addItems(
        {QStringLiteral("All Services"), QStringLiteral("Other Service (Specify Below)")});
    addActiveServices(m_desk, list);
}

void frmExport::pathsChanged()
{
    m_ui->cmdProcess->setEnabled(!m_ui->txtDBFilename->text().isEmpty() &&
                                 !m_ui->txtFilename->text().isEmpty());
}

void frmExport::serviceChosen(int position)
{
    enableOtherService(m_ui->txtOther, m_ui->lblOther, position == OtherService);
}

void frmExport::browseDatabase()
{
    const QString path =
        m_files.openFileName(this, {QStringLiteral("Export Data"),
                                    m_desk.context.params.dataPath,
                                    {QStringLiteral("Archive Data (QV*.mdb)"),
                                     QStringLiteral("Current History Data (history.mdb)")},
                                    1});
    if (!path.isEmpty())
        m_ui->txtDBFilename->setText(path);
}

QString frmExport::exportFolder() const
{
    return joinPath(m_desk.context.params.programFolder, QStringLiteral("export"));
}

void frmExport::browseOutput()
{
    const QString path = m_files.saveFileName(
        this, {QStringLiteral("Export Data"),
               exportFolder(),
               {QStringLiteral("All Files (*)"), QStringLiteral("Text Files (*.txt)"),
                QStringLiteral("CSV Files (*.csv)")},
               2});
    if (!path.isEmpty())
        m_ui->txtFilename->setText(path);
}

void frmExport::exportData()
{
    Prompter &prompter = m_desk.context.prompter();
    ExportSelection selection;
    int wrongEntry = 0;
    const QString wrong = HistoryExport::checkRange(
        m_ui->txtDate_0->displayText(), m_ui->txtDate_1->displayText(), selection, &wrongEntry);
    if (!wrong.isEmpty()) {
        prompter.message(wrong, QStringLiteral("Error"), Prompter::Icon::Critical);
        (wrongEntry == 0 ? m_ui->txtDate_0 : m_ui->txtDate_1)->setFocus();
        return;
    }
    selection.servicedBy = m_ui->lstReps->currentData().toInt();
    const int position = m_ui->lstServices->currentIndex();
    selection.byService = position != AllServices;
    selection.service =
        position == OtherService ? m_ui->txtOther->text() : m_ui->lstServices->currentText();

    // A path typed without its folder means the folders the browse buttons start in, never the
    // folder the program happened to be started from.
    const QString outputPath =
        QDir::cleanPath(QDir(exportFolder()).absoluteFilePath(m_ui->txtFilename->text()));
    const QString databasePath = QDir::cleanPath(
        QDir(m_desk.context.params.dataPath).absoluteFilePath(m_ui->txtDBFilename->text()));
    const QString refusal = OutputPath::refusal(outputPath, databasePath, m_desk.context.params);
    if (!refusal.isEmpty()) {
        prompter.message(refusal, QStringLiteral("Error"), Prompter::Icon::Critical);
        m_ui->txtFilename->setFocus();
        return;
    }
    QString readPath;
    Failure failure;
    if (!m_desk.context.store().historyToRead(databasePath, m_desk.context.params, readPath,
                                              failure)) {
        prompter.message(failure.description, QStringLiteral("Error"), Prompter::Icon::Critical);
        return;
    }
    HistoryExport job(readPath, selection, m_desk.repNames);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const qint64 rows = job.countRows();
    QGuiApplication::restoreOverrideCursor();
    std::unique_ptr<QProgressDialog> progress;
    if (rows > ProgressFrom) {
        progress =
            std::make_unique<QProgressDialog>(QStringLiteral("Exporting history..."),
                                              QStringLiteral("&Cancel"), 0, int(rows / 1000), this);
        progress->setWindowTitle(windowTitle());
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setValue(0);
    }
    const HistoryExport::Outcome outcome =
        rows < 0 ? HistoryExport::Outcome::Failed
                 : job.writeTo(outputPath, [&progress](qint64 written) {
                       if (!progress)
                           return true;
                       progress->setValue(int(written / 1000));
                       return !progress->wasCanceled();
                   });
    progress.reset();
    switch (outcome) {
    case HistoryExport::Outcome::Written:
        prompter.message(job.completeText(outputPath), QStringLiteral("Export Complete"),
                         Prompter::Icon::Information);
        accept();
        return;
    case HistoryExport::Outcome::NoRecords:
        prompter.message(HistoryExport::noRecordsText(), QStringLiteral("Export Results"),
                         Prompter::Icon::Information);
        return;
    case HistoryExport::Outcome::Cancelled:
        return;
    case HistoryExport::Outcome::Failed:
        prompter.message(job.failureText(), QStringLiteral("Error"), Prompter::Icon::Critical);
        return;
    }
}
