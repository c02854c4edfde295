#include "frmStatistics.h"

#include "ui_frmStatistics.h"

#include "DESKDB.h"
#include "ServiceChoices.h"
#include "StatisticsCharts.h"

#include "Directory.h"
#include "ElidedText.h"
#include "FileDialog.h"
#include "ListRows.h"
#include "OutputPath.h"
#include "SelectAllOnFocus.h"
#include "StatisticsTable.h"
#include "Store.h"
#include "TextForms.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressDialog>
#include <QSaveFile>
#include <QtConcurrent>

namespace {
/// A row of the figures: the group column sorts in the grouping's own order, the others by
/// number.
class FiguresItem final : public QTreeWidgetItem
{
public:
    FiguresItem(const QStringList &texts, qint64 order) : QTreeWidgetItem(texts)
    {
        setData(0, Qt::UserRole, order);
        for (int column = 1; column < texts.size(); ++column)
            setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }

    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (!StatisticsTable::isNumeric(column))
            return data(0, Qt::UserRole).toLongLong() < other.data(0, Qt::UserRole).toLongLong();
        return StatisticsTable::number(text(column)) < StatisticsTable::number(other.text(column));
    }
};

/// Runs away from the window: reads the history unless `history` is given, then computes.
void work(QPromise<frmStatistics::Outcome> &promise, const QString &historyPath,
          const ExportSelection &selection, std::shared_ptr<const VisitHistory> history,
          Grouping grouping, double maxLimit, const RepNames &names)
{
    frmStatistics::Outcome outcome;
    if (!history) {
        auto read = std::make_shared<VisitHistory>();
        outcome.read = HistoryVisits::read(historyPath, selection, *read, outcome.failure,
                                           [&promise](qint64 done, qint64 total) {
                                               promise.setProgressRange(0, int(total));
                                               promise.setProgressValue(int(done));
                                               return !promise.isCanceled();
                                           });
        if (outcome.read != HistoryVisits::Outcome::Read) {
            promise.addResult(outcome);
            return;
        }
        history = read;
    }
    outcome.history = history;
    outcome.report = HistoryStatistics::compute(*history, grouping, maxLimit, names);
    outcome.grouping = grouping;
    promise.addResult(outcome);
}
} // namespace

frmStatistics::frmStatistics(DESKDB &desk, FileDialog &files, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmStatistics>()), m_desk(desk), m_files(files),
      m_historyPath(desk.context.params.historyPath)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::Window);
    m_charts = std::make_unique<StatisticsCharts>(m_ui->fraCharts);
    m_ui->splFigures->setStretchFactor(0, 3);
    m_ui->splFigures->setStretchFactor(1, 2);
    m_ui->cmdShow->setDefault(true);
    showCutCellsWhole(m_ui->lstFigures);
    ListRows::selectOnKeyboardFocus(m_ui->lstFigures);
    // The group's name takes the room left, the figures stay beside their headings.
    m_ui->lstFigures->header()->setStretchLastSection(false);
    selectAllOnFocus(m_ui->txtFrom);
    selectAllOnFocus(m_ui->txtTo);
    m_ui->lstReps->addItem(QStringLiteral("All Reps"), 0);
    addActiveReps(m_desk, m_ui->lstReps);
    m_ui->lstServices->addItem(QStringLiteral("All Services"));
    addActiveServices(m_desk, m_ui->lstServices);
    setElidedText(m_ui->lblSource, sourceText());
    // Left to us: whom the directory cannot name shows as "User N", without a box.
    Failure failure;
    m_desk.context.store().userNames(m_names, failure);
    m_ui->cboGroup->setCurrentIndex(int(Grouping::Day));
    m_ui->cboSort->addItems(StatisticsTable::headers(Grouping::Day));

    m_progress = new QProgressDialog(QStringLiteral("Reading the history..."),
                                     QStringLiteral("&Cancel"), 0, 0, this);
    m_progress->setWindowTitle(windowTitle());
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(ProgressAfterMilliseconds);
    m_progress->setAutoReset(false);
    m_progress->reset();
    connect(m_progress, &QProgressDialog::canceled, &m_watcher, &QFutureWatcher<Outcome>::cancel);
    connect(&m_watcher, &QFutureWatcher<Outcome>::progressRangeChanged, m_progress,
            &QProgressDialog::setRange);
    connect(&m_watcher, &QFutureWatcher<Outcome>::progressValueChanged, m_progress,
            &QProgressDialog::setValue);
    connect(&m_watcher, &QFutureWatcher<Outcome>::finished, this, &frmStatistics::finished);

    connect(m_ui->cboRange, &QComboBox::activated, this, &frmStatistics::rangeChosen);
    connect(m_ui->txtFrom, &QLineEdit::textEdited, this, &frmStatistics::dateEdited);
    connect(m_ui->txtTo, &QLineEdit::textEdited, this, &frmStatistics::dateEdited);
    connect(m_ui->cmdShow, &QPushButton::clicked, this, &frmStatistics::showReport);
    connect(m_ui->cboGroup, &QComboBox::currentIndexChanged, this, &frmStatistics::groupingChosen);
    connect(m_ui->lstReps, &QComboBox::currentIndexChanged, this, &frmStatistics::showReport);
    connect(m_ui->lstServices, &QComboBox::currentIndexChanged, this, &frmStatistics::showReport);
    connect(m_ui->cmdOpenArchive, &QPushButton::clicked, this, &frmStatistics::openArchive);
    connect(m_ui->cboSort, &QComboBox::currentIndexChanged, this, &frmStatistics::sortChosen);
    connect(m_ui->chkDescending, &QCheckBox::toggled, this, &frmStatistics::sortChosen);
    connect(m_ui->lstFigures->header(), &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) {
                const QSignalBlocker sortBlock(m_ui->cboSort), orderBlock(m_ui->chkDescending);
                m_ui->cboSort->setCurrentIndex(column);
                m_ui->chkDescending->setChecked(order == Qt::DescendingOrder);
            });
    connect(m_ui->cmdSaveChart, &QPushButton::clicked, this, &frmStatistics::saveChart);
    connect(m_ui->cmdExportTable, &QPushButton::clicked, this, &frmStatistics::exportTable);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &QWidget::close);

    m_ui->cboRange->setCurrentIndex(ThisMonth);
    rangeChosen(ThisMonth);
}

frmStatistics::~frmStatistics()
{
    m_watcher.cancel();
    m_watcher.waitForFinished();
}

Grouping frmStatistics::grouping() const
{
    return Grouping(m_ui->cboGroup->currentIndex());
}

void frmStatistics::rangeChosen(int range)
{
    const QDate today = m_desk.context.clock().today();
    const QDate monthStart(today.year(), today.month(), 1);
    QDate from = today, to = today;
    switch (Range(range)) {
    case Today:
        break;
    case ThisWeek:
        from = today.addDays(-(today.dayOfWeek() % 7)); // from Sunday
        break;
    case ThisMonth:
        from = monthStart;
        break;
    case LastMonth:
        from = monthStart.addMonths(-1);
        to = monthStart.addDays(-1);
        break;
    case Dates:
        m_ui->txtFrom->setFocus();
        return;
    }
    m_ui->txtFrom->setText(TextForms::screenDate(from));
    m_ui->txtTo->setText(TextForms::screenDate(to));
    showReport();
}

void frmStatistics::dateEdited()
{
    const QSignalBlocker block(m_ui->cboRange);
    m_ui->cboRange->setCurrentIndex(Dates);
}

void frmStatistics::showReport()
{
    ExportSelection selection;
    int wrongEntry = 0;
    const QString wrong = HistoryExport::checkRange(
        m_ui->txtFrom->displayText(), m_ui->txtTo->displayText(), selection, &wrongEntry);
    if (!wrong.isEmpty()) {
        m_desk.context.prompter().message(wrong, QStringLiteral("Error"), Prompter::Icon::Critical);
        (wrongEntry == 0 ? m_ui->txtFrom : m_ui->txtTo)->setFocus();
        return;
    }
    selection.servicedBy = m_ui->lstReps->currentData().toInt();
    selection.byService = m_ui->lstServices->currentIndex() > 0;
    if (selection.byService)
        selection.service = m_ui->lstServices->currentText();
    m_selection = selection;
    start(true);
}

void frmStatistics::groupingChosen()
{
    start(false);
}

void frmStatistics::start(bool reread)
{
    if (isWorking()) {
        // The work under way no longer answers what is asked: stop it and ask again after.
        m_again = true;
        m_againReread = m_againReread || reread;
        m_watcher.cancel();
        return;
    }
    QString readPath;
    if (reread) {
        m_history.reset();
        Failure failure;
        // Without it the report says why, as for any history file that cannot be read.
        m_desk.context.store().historyToRead(m_historyPath, m_desk.context.params, readPath,
                                             failure);
    }
    m_progress->reset();
    m_progress->setValue(0); // shown only if the work takes long
    m_working = true;
    m_watcher.setFuture(QtConcurrent::run(work, readPath, m_selection, m_history, grouping(),
                                          m_desk.context.params.MaxLimit, m_names));
}

void frmStatistics::finished()
{
    m_working = false;
    m_progress->reset();
    const bool done = !m_watcher.isCanceled() && m_watcher.future().resultCount() > 0;
    const Outcome outcome = done ? m_watcher.result() : Outcome{HistoryVisits::Outcome::Cancelled};
    if (outcome.read == HistoryVisits::Outcome::Read)
        m_history = outcome.history;
    if (m_again) {
        const bool reread = m_againReread || !m_history;
        m_again = m_againReread = false;
        start(reread);
        return;
    }
    switch (outcome.read) {
    case HistoryVisits::Outcome::Read:
        m_report = outcome.report;
        m_grouping = outcome.grouping;
        fillTable();
        m_charts->show(m_report, m_grouping, m_desk.context.params.MaxLimit);
        m_ui->lblTotals->setText(m_report.groups.isEmpty() ? StatisticsTable::noVisitsText(m_report)
                                                           : StatisticsTable::summary(m_report));
        return;
    case HistoryVisits::Outcome::Cancelled:
        m_ui->lblTotals->setText(QStringLiteral("Cancelled: no figures are shown."));
        break;
    case HistoryVisits::Outcome::Failed:
        m_ui->lblTotals->clear();
        m_desk.context.prompter().message(QStringLiteral("Could not read the history.  Error:  ") +
                                              outcome.failure.description,
                                          QStringLiteral("Error"), Prompter::Icon::Critical);
        break;
    }
    m_report = {};
    ListRows::refill(m_ui->lstFigures, [this] {
        m_ui->lstFigures->setHeaderLabels(StatisticsTable::headers(grouping()));
    });
    m_charts->clear();
}

void frmStatistics::fillTable()
{
    QTreeWidget *list = m_ui->lstFigures;
    const QStringList headers = StatisticsTable::headers(m_grouping);
    {
        const QSignalBlocker block(m_ui->cboSort);
        m_ui->cboSort->setItemText(0, headers.first());
    }
    list->setSortingEnabled(false);
    ListRows::refill(list, [&] {
        list->setHeaderLabels(headers);
        for (const GroupFigures &figures : m_report.groups)
            list->addTopLevelItem(new FiguresItem(StatisticsTable::texts(figures), figures.order));
    });
    for (int column = 1; column < headers.size(); ++column)
        list->resizeColumnToContents(column);
    list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list->setSortingEnabled(true);
    sortChosen();
}

void frmStatistics::sortChosen()
{
    m_ui->lstFigures->sortByColumn(m_ui->cboSort->currentIndex(), m_ui->chkDescending->isChecked()
                                                                      ? Qt::DescendingOrder
                                                                      : Qt::AscendingOrder);
}

void frmStatistics::saveChart()
{
    const QString path = m_files.saveFileName(
        this, {QStringLiteral("Save Chart"),
               joinPath(m_desk.context.params.programFolder, QStringLiteral("export")),
               {QStringLiteral("PNG Images (*.png)"), QStringLiteral("PDF Documents (*.pdf)")},
               0});
    if (path.isEmpty() || refused(path))
        return;
    QWidget *charts = m_ui->fraCharts;
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written && path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        // Drawn, not photographed: the charts stay sharp at any zoom.
        QPdfWriter pdf(&file);
        pdf.setResolution(72);
        pdf.setPageSize(QPageSize(charts->size(), QPageSize::Point));
        pdf.setPageMargins({});
        QPainter painter(&pdf);
        charts->render(&painter);
        written = painter.end();
    } else if (written) {
        written = charts->grab().toImage().save(&file, "PNG");
    }
    if (!written || !file.commit())
        m_desk.context.prompter().message(QStringLiteral("Could not save the chart.  Error:  ") +
                                              file.errorString(),
                                          QStringLiteral("Error"), Prompter::Icon::Critical);
}

void frmStatistics::exportTable()
{
    const QString path = m_files.saveFileName(
        this, {QStringLiteral("Export Table"),
               joinPath(m_desk.context.params.programFolder, QStringLiteral("export")),
               {QStringLiteral("CSV Files (*.csv)"), QStringLiteral("All Files (*)")},
               0});
    if (path.isEmpty() || refused(path))
        return;
    // In the order the table shows.
    QTreeWidget *list = m_ui->lstFigures;
    StatisticsTable::Rows rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList texts;
        for (int column = 0; column < list->columnCount(); ++column)
            texts.append(list->topLevelItem(i)->text(column));
        rows.append(texts);
    }
    Failure failure;
    Prompter &prompter = m_desk.context.prompter();
    if (!StatisticsTable::writeFile(
            path, StatisticsTable::csv(StatisticsTable::headers(m_grouping), rows), failure)) {
        prompter.message(QStringLiteral("Could not export the table.  Error:  ") +
                             failure.description,
                         QStringLiteral("Error"), Prompter::Icon::Critical);
        return;
    }
    prompter.message(QStringLiteral("The table was exported to ") + path,
                     QStringLiteral("Export Complete"), Prompter::Icon::Information);
}

bool frmStatistics::refused(const QString &path)
{
    const QString refusal = OutputPath::refusal(path, m_historyPath, m_desk.context.params);
    if (!refusal.isEmpty())
        m_desk.context.prompter().message(refusal, QStringLiteral("Error"),
                                          Prompter::Icon::Critical);
    return !refusal.isEmpty();
}

QString frmStatistics::sourceText() const
{
    const SystemParameters &params = m_desk.context.params;
    if (params.serverConnection.isEmpty() || !Store::isCurrentHistory(m_historyPath, params))
        return m_historyPath;
    return QStringLiteral("the server's current history (%1)").arg(params.serverConnection);
}

void frmStatistics::openArchive()
{
    const QString path = m_files.openFileName(
        this, {QStringLiteral("Open Archive"),
               joinPath(m_desk.context.params.dataPath, QStringLiteral("archive")),
               {QStringLiteral("Archive Data (QV*.mdb)"),
                QStringLiteral("Current History Data (history.mdb)")},
               0});
    if (path.isEmpty())
        return;
    m_historyPath = path;
    setElidedText(m_ui->lblSource, sourceText());
    showReport();
}
