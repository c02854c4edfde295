#pragma once

#include "Failure.h"
#include "HistoryExport.h"
#include "HistoryStatistics.h"
#include "HistoryVisits.h"

#include <QDialog>
#include <QFutureWatcher>

#include <memory>

class DESKDB;
class FileDialog;
class QProgressDialog;
class StatisticsCharts;
namespace Ui {
class frmStatistics;
}

/// The office's figures for a range of days: charts, a sortable table and the totals, from the
/// current history or an archive. Not modal, so the lobby keeps working beside it; the history
/// is read and the figures computed off the window's thread.
class frmStatistics : public QDialog
{
    Q_OBJECT

public:
    frmStatistics(DESKDB &desk, FileDialog &files, QWidget *parent = nullptr);
    ~frmStatistics() override;

    // The entries of the range list.
    enum Range
    {
        Today,
        ThisWeek,
        ThisMonth,
        LastMonth,
        Dates
    };

    /// Reads the history of the chosen range and shows its figures (again).
    void showReport();

    /// True while a report is being read or computed.
    bool isWorking() const { return m_working; }

    /// Progress is shown for work that lasts longer than this.
    static constexpr int ProgressAfterMilliseconds = 500;

    /// The result of one report's work.
    struct Outcome
    {
        HistoryVisits::Outcome read = HistoryVisits::Outcome::Read;
        Failure failure;
        std::shared_ptr<const VisitHistory> history;
        StatisticsReport report;
        Grouping grouping = Grouping::Day;
    };

private:
    void rangeChosen(int range);
    void dateEdited();
    void groupingChosen();
    void start(bool reread);
    /// What the History line names: the file read, or the server whose history it stands for.
    QString sourceText() const;
    void finished();
    void fillTable();
    void sortChosen();
    void saveChart();
    void exportTable();
    /// Says why `path` may not be written, if it may not; true then.
    bool refused(const QString &path);
    void openArchive();
    Grouping grouping() const;

    std::unique_ptr<Ui::frmStatistics> m_ui;
    DESKDB &m_desk;
    FileDialog &m_files;
    std::unique_ptr<StatisticsCharts> m_charts;
    RepNames m_names;            // every representative in the directory, active or not
    QString m_historyPath;       // the history chosen: the current one, or an archive
    ExportSelection m_selection; // of the visits read
    std::shared_ptr<const VisitHistory> m_history; // as last read, for another grouping
    Grouping m_grouping = Grouping::Day;           // of the report shown
    StatisticsReport m_report;
    QFutureWatcher<Outcome> m_watcher;
    QProgressDialog *m_progress;
    bool m_working = false;     // from the start of a report until its figures are shown
    bool m_again = false;       // a new request came while working
    bool m_againReread = false; // and it needs the history read anew
};
