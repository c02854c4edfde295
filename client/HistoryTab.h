#pragma once

#include <QDate>
#include <QObject>

class QAbstractButton;
class QLineEdit;
class QTreeWidget;
class QWidget;
class lobbyDB;

/// The main window's Service History tab: the visits completed on one day, the representative's
/// own or everyone's, and the details of one of them.
class HistoryTab : public QObject
{
    Q_OBJECT

public:
    HistoryTab(lobbyDB &program, QLineEdit *txtFetchDate, QAbstractButton *myHistory,
               QAbstractButton *cmdRetrieve, QTreeWidget *lstHistory, QWidget *window);

    /// The first visit lists the representative's visits of today; later visits keep the list.
    void visit();

    /// Lists the visits of `day`, everyone's when `allReps`. On failure the list stays as it was.
    void loadHistoryList(const QDate &day, bool allReps);
    /// The real rows listed (the "None" row does not count).
    int historyCount() const { return m_historyCount; }
    /// Empties the list.
    void clear();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void retrieve();
    void openSelected();

    lobbyDB &m_program;
    QLineEdit *m_date;
    QAbstractButton *m_myHistory;
    QAbstractButton *m_retrieve;
    QTreeWidget *m_list;
    QWidget *m_window;
    bool m_visited = false;
    int m_historyCount = 0;
};
