#include "ReceptionFixture.h"
#include "frmModify.h"

#include "Store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

class tst_reception_modify : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void customerInServiceOpensTickedAndGreyed();
    void signOutNeedsARepresentative();
    void untickingPutsTheCustomerBackToWaiting();
    void customerADeskGaveBackIsCorrected();
    void waitingCustomerSignedOutBecomesTodaysHistoryRow();
    void timeBoxesAreCheckedOnlyForSignOutAndHistory();
    void timeInOfTwentyFiveHoursIsRefused();
    void emptyServiceDisablesUpdate();
    void apostrophesInHistoryNamesStayAsTyped();
    void signOutOfAnEntryGoneMeanwhileWritesNoSecondRow();
    void representativeNoLongerListedGivesTheUpdateError();

private:
    /// Opens the dialog on the queue entry named `name`, or on a history row.
    void open(const QString &name);
    void openHistory(int id);
    QLineEdit *box(int index) const
    {
        return m_dialog->findChild<QLineEdit *>(QStringLiteral("mskCustomer_%1").arg(index));
    }
    template <typename T> T *control(const char *name) const
    {
        return m_dialog->findChild<T *>(QLatin1String(name));
    }
    /// Clicks into the box, which selects its whole text, and types over it.
    static void type(QLineEdit *entry, const QString &keys)
    {
        QTest::mouseClick(entry, Qt::LeftButton, {}, entry->rect().center());
        QTRY_COMPARE(entry->selectedText(), entry->displayText());
        QTest::keyClicks(entry, keys);
    }
    void update() { QTest::mouseClick(control<QPushButton>("cmdUpdate"), Qt::LeftButton); }
    QStringList boxes() const { return m_reception->folder.prompter.texts(); }
    HistoryRows today() const
    {
        Failure failure;
        return m_reception->folder.context.store().historyOfDay(m_reception->folder.clock.today(),
                                                                0, failure);
    }
    QTreeWidget *lobbyList(const char *name) const
    {
        return m_reception->lobby().findChild<QTreeWidget *>(QLatin1String(name));
    }

    std::unique_ptr<Reception> m_reception;
    std::unique_ptr<frmModify> m_dialog;
};

void tst_reception_modify::init()
{
    m_reception = std::make_unique<Reception>(true);
    QVERIFY(m_reception->start());
}

void tst_reception_modify::cleanup()
{
    m_dialog.reset();
    m_reception.reset();
}

void tst_reception_modify::open(const QString &name)
{
    QTreeWidgetItem *row = rowNamed(lobbyList("lstQueue"), name);
    if (!row)
        row = rowNamed(lobbyList("lstServing"), name);
    QVERIFY(row);
    m_dialog =
        std::make_unique<frmModify>(m_reception->desk, row->data(0, Qt::UserRole).toInt(), false);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
}

void tst_reception_modify::openHistory(int id)
{
    m_dialog = std::make_unique<frmModify>(m_reception->desk, id, true);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
}

void tst_reception_modify::customerInServiceOpensTickedAndGreyed()
{
    open("Jon Baptiste");
    QVERIFY(control<QCheckBox>("checkSignout")->isChecked());
    for (int index = frmModify::DateIn; index <= frmModify::TimeIn; ++index)
        QVERIFY(!box(index)->isEnabled());
    QVERIFY(!control<QLabel>("Label1_1")->isEnabled());
    QVERIFY(box(frmModify::TimeSeen)->isEnabled() && box(frmModify::TimeOut)->isEnabled());
    QCOMPARE(box(frmModify::FirstName)->text(), QString("Jon"));
    QCOMPARE(box(frmModify::DateIn)->text(), QString("12/06/2026"));
    QCOMPARE(box(frmModify::TimeIn)->text(), QString("13:53:09"));
    QCOMPARE(box(frmModify::TimeSeen)->text(), QString("13:58:09"));
    QCOMPARE(control<QComboBox>("lstReps")->currentText(), QString("Dana Whitfield"));
    QCOMPARE(control<QComboBox>("lstReps")->itemText(0), QString("[Select Representative]"));
    QTRY_COMPARE(QApplication::focusWidget(), box(frmModify::TimeOut));
}

void tst_reception_modify::signOutNeedsARepresentative()
{
    open("Jon Baptiste");
    control<QComboBox>("lstReps")->setCurrentIndex(0);
    box(frmModify::TimeOut)->setText("14:05:00");
    update();
    QCOMPARE(boxes(), QStringList{"You must select a representative"});
    QVERIFY(m_dialog->isVisible());
    QVERIFY(m_reception->folder.queuedNames().contains("Jon Baptiste"));
}

void tst_reception_modify::untickingPutsTheCustomerBackToWaiting()
{
    open("Jon Baptiste");
    control<QCheckBox>("checkSignout")->click();
    QVERIFY(!box(frmModify::TimeOut)->isEnabled());
    QVERIFY(!control<QComboBox>("lstReps")->isEnabled());
    update();
    QVERIFY(boxes().isEmpty());
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(lobbyList("lstServing")->topLevelItemCount(), 0);
    QVERIFY(rowNamed(lobbyList("lstQueue"), "Jon Baptiste"));
    const QList<StoredQueueRecord> queue = m_reception->folder.queued();
    QCOMPARE(queue.size(), 4);
    for (const StoredQueueRecord &record : queue) {
        QCOMPARE(record.texts.lobbyStatus, QString("0"));
        QCOMPARE(record.texts.timeSeen, QString());
    }
}

void tst_reception_modify::customerADeskGaveBackIsCorrected()
{
    const int id = rowNamed(lobbyList("lstQueue"), "Lena Vogel")->data(0, Qt::UserRole).toInt();
    Store &store = m_reception->folder.context.store();
    clsQuorvel entry(m_reception->folder.context);
    QVERIFY(store.takeCustomer(id, {}, 2, entry, "Window 4").done());
    QVERIFY(store.returnCustomer(id, {}, 2).done());
    m_reception->lobby().loadit();
    open("Lena Vogel");
    box(frmModify::FirstName)->setText("Helena");
    update();
    QVERIFY(boxes().isEmpty());
    QVERIFY(m_reception->folder.queuedNames().contains("Helena Vogel"));
}

void tst_reception_modify::waitingCustomerSignedOutBecomesTodaysHistoryRow()
{
    const int rowsBefore = today().size();
    open("Kai Fernández");
    QVERIFY(!box(frmModify::TimeSeen)->isEnabled());
    control<QCheckBox>("checkSignout")->click();
    type(box(frmModify::TimeSeen), "140000");
    type(box(frmModify::TimeOut), "140700");
    control<QComboBox>("lstReps")->setCurrentIndex(
        control<QComboBox>("lstReps")->findText("Marco Ruiz"));
    QTest::keyClick(box(frmModify::TimeOut), Qt::Key_Return);
    QVERIFY(boxes().isEmpty());
    QVERIFY(!m_reception->folder.queuedNames().contains("Kai Fernández"));
    QVERIFY(!rowNamed(lobbyList("lstQueue"), "Kai Fernández"));

    const HistoryRows rows = today();
    QCOMPARE(rows.size(), rowsBefore + 1);
    const auto kai = std::find_if(rows.begin(), rows.end(),
                                  [](const HistoryRow &row) { return row.firstName == "Kai"; });
    QVERIFY(kai != rows.end());
    QCOMPARE(kai->servicedBy, std::optional(2));
    QCOMPARE(kai->timeServiced, QTime(14, 0));
    QCOMPARE(kai->timeOut, QTime(14, 7));
    QCOMPARE(kai->serviceTime, std::optional(7));
    QCOMPARE(kai->serviceRequested, QString("Licences"));
}

void tst_reception_modify::timeBoxesAreCheckedOnlyForSignOutAndHistory()
{
    open("Lena Vogel");
    box(frmModify::FirstName)->setText("Helena");
    control<QCheckBox>("checkSignout")->click();
    control<QComboBox>("lstReps")->setCurrentIndex(1);
    update();
    QCOMPARE(boxes(), QStringList{"Invalid time set in the Time Seen field."});
    QCOMPARE(QApplication::focusWidget(), box(frmModify::TimeSeen));

    box(frmModify::TimeSeen)->setText("14:00:00");
    update();
    QCOMPARE(boxes().last(), QString("Invalid time set in the Time Out field."));

    // A plain correction does not look at the time boxes.
    control<QCheckBox>("checkSignout")->click();
    update();
    QCOMPARE(boxes().size(), 2);
    QVERIFY(!m_dialog->isVisible());
    QVERIFY(rowNamed(lobbyList("lstQueue"), "Helena Vogel"));
}

void tst_reception_modify::timeInOfTwentyFiveHoursIsRefused()
{
    open("Lena Vogel");
    box(frmModify::TimeIn)->setText("25:00:00");
    update();
    QCOMPARE(boxes(), QStringList{"Invalid time set in the Time In field."});
    QCOMPARE(m_reception->folder.prompter.boxes.first().title, QString("Error"));
    QCOMPARE(QApplication::focusWidget(), box(frmModify::TimeIn));
    QVERIFY(m_dialog->isVisible());
}

void tst_reception_modify::emptyServiceDisablesUpdate()
{
    open("Lena Vogel");
    auto *updateButton = control<QPushButton>("cmdUpdate");
    QVERIFY(updateButton->isEnabled());
    box(frmModify::Service)->clear();
    QVERIFY(!updateButton->isEnabled());
    QTest::keyClicks(box(frmModify::Service), "T");
    QVERIFY(updateButton->isEnabled());
}

void tst_reception_modify::apostrophesInHistoryNamesStayAsTyped()
{
    const HistoryRows rows = today();
    const auto bob = std::find_if(rows.begin(), rows.end(),
                                  [](const HistoryRow &row) { return row.lastName == "O'Neil"; });
    QVERIFY(bob != rows.end());
    openHistory(bob->id);
    QVERIFY(!control<QCheckBox>("checkSignout")->isEnabled());
    QVERIFY(box(frmModify::TimeOut)->isEnabled());
    QCOMPARE(box(frmModify::LastName)->text(), QString("O'Neil"));

    box(frmModify::FirstName)->setText("D'Arcy");
    box(frmModify::TimeOut)->setText("25:00:00");
    update();
    QCOMPARE(boxes(), QStringList{"Invalid time set in the Time Out field."});
    box(frmModify::TimeOut)->setText("09:30:00");
    update();
    QCOMPARE(boxes().size(), 1);

    HistoryRow stored;
    bool found = false;
    Failure failure;
    QVERIFY(m_reception->folder.context.store().historyRecord(bob->id, stored, found, failure));
    QVERIFY(found);
    QCOMPARE(stored.firstName, QString("D'Arcy"));
    QCOMPARE(stored.lastName, QString("O'Neil"));
    QCOMPARE(stored.timeOut, QTime(9, 30));
}

void tst_reception_modify::signOutOfAnEntryGoneMeanwhileWritesNoSecondRow()
{
    open("Jon Baptiste");
    const int id = lobbyList("lstServing")->topLevelItem(0)->data(0, Qt::UserRole).toInt();
    box(frmModify::TimeOut)->setText("14:05:00");

    // Another workstation signs the customer out while the dialog is open.
    clsQuorvel other(m_reception->folder.context);
    QVERIFY(other.loadLobbyEntry(id));
    other.Timeout = LooseTime::fromText("14:04:00");
    QVERIFY(other.completeService(id));
    const int rowsAfterFirst = today().size();

    update();
    QCOMPARE(boxes().size(), 1);
    // Checked under the lock before anything is written: the customer is simply gone.
    QCOMPARE(boxes().first(), QString("This customer has been removed from the Lobby Queue."));
    QCOMPARE(today().size(), rowsAfterFirst);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(lobbyList("lstServing")->topLevelItemCount(), 0);
}

void tst_reception_modify::representativeNoLongerListedGivesTheUpdateError()
{
    const QDate day = m_reception->folder.clock.today();
    // User 4 of the demo is not active, so not among the names.
    m_reception->addToQueue({{"Ed", "Ng", "Taxes", QTime(12, 0), day, 1, 4, QTime(12, 5)}});
    m_reception->lobby().loadit();
    open("Ed Ng");
    QCOMPARE(control<QComboBox>("lstReps")->currentIndex(), -1);
    box(frmModify::TimeOut)->setText("12:30:00");
    update();
    QCOMPARE(boxes().size(), 1);
    QVERIFY(boxes().first().startsWith("There was an error updating the record.\rError:  "));
    QVERIFY(m_dialog->isVisible());
    QVERIFY(m_reception->folder.queuedNames().contains("Ed Ng"));
}

QTEST_MAIN(tst_reception_modify)
#include "tst_reception_modify.moc"
