#include "ReceptionFixture.h"
#include "frmAdd.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

class tst_reception_add : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void okNeedsBothNames();
    void otherServiceLeftEmptyIsRefused();
    void listedServiceChosenAfterTypingAnotherWins();
    void placeholderEntriesAreRefused_data();
    void placeholderEntriesAreRefused();
    void newCustomerJoinsTheEndOfTheWaitingList();
    void failedCheckInKeepsWhatWasTyped();

private:
    QLineEdit *entry(int index) const
    {
        return m_dialog->findChild<QLineEdit *>(QStringLiteral("txtCustomer_%1").arg(index));
    }
    QComboBox *services() const { return m_dialog->findChild<QComboBox *>("lstServices"); }
    QPushButton *ok() const { return m_dialog->findChild<QPushButton *>("cmdOK"); }
    int queued() const { return int(m_reception->folder.queued().size()); }
    QStringList queuedServices() const
    {
        QStringList services;
        for (const StoredQueueRecord &record : m_reception->folder.queued())
            services << record.texts.service;
        return services;
    }

    std::unique_ptr<Reception> m_reception;
    std::unique_ptr<frmAdd> m_dialog;
};

void tst_reception_add::init()
{
    m_reception = std::make_unique<Reception>(true, QStringList{"-L"});
    QVERIFY(m_reception->start());
    m_dialog = std::make_unique<frmAdd>(m_reception->desk);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
}

void tst_reception_add::cleanup()
{
    m_dialog.reset();
    m_reception.reset();
}

void tst_reception_add::okNeedsBothNames()
{
    QCOMPARE(QApplication::focusWidget(), entry(0));
    QVERIFY(!ok()->isEnabled());
    QTest::keyClicks(entry(0), "Ann");
    QVERIFY(!ok()->isEnabled());
    services()->setCurrentIndex(services()->findText("Taxes"));
    QTest::keyClick(entry(0), Qt::Key_Return); // no last name: Enter does nothing
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(queued(), 4);

    QTest::keyClicks(entry(1), QString(65, 'x'));
    QCOMPARE(entry(1)->text(), QString(64, 'x'));
    QVERIFY(ok()->isEnabled());
    entry(0)->clear();
    QVERIFY(!ok()->isEnabled());
}

void tst_reception_add::otherServiceLeftEmptyIsRefused()
{
    QTest::keyClicks(entry(0), "Ann");
    QTest::keyClicks(entry(1), "Lee");
    QVERIFY(!entry(2)->isEnabled());
    services()->setCurrentIndex(frmAdd::OtherService);
    QVERIFY(entry(2)->isEnabled());
    QVERIFY(m_dialog->findChild<QLabel *>("Label1_4")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), entry(2));

    QTest::mouseClick(ok(), Qt::LeftButton);
    QCOMPARE(m_reception->folder.prompter.texts(), QStringList{"No service was entered."});
    QCOMPARE(m_reception->folder.prompter.boxes.first().icon, Prompter::Icon::NoIcon);
    QCOMPARE(m_reception->folder.prompter.boxes.first().title, QString("Quorvel Harbrin"));
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(queued(), 4);

    QTest::keyClicks(entry(2), "Notary");
    QTest::keyClick(entry(2), Qt::Key_Return);
    QVERIFY(!m_dialog->isVisible());
    QVERIFY(queuedServices().contains("Notary"));
}

void tst_reception_add::listedServiceChosenAfterTypingAnotherWins()
{
    QTest::keyClicks(entry(0), "Ann");
    QTest::keyClicks(entry(1), "Lee");
    services()->setCurrentIndex(frmAdd::OtherService);
    QTest::keyClicks(entry(2), "Notary");
    services()->setCurrentIndex(services()->findText("Permits"));
    QVERIFY(!entry(2)->isEnabled());
    QCOMPARE(entry(2)->text(), QString("Notary")); // kept, but not used
    QTest::mouseClick(ok(), Qt::LeftButton);
    const QStringList services = queuedServices();
    QVERIFY(!services.contains("Notary"));
    QCOMPARE(services.count("Permits"), 2);
}

void tst_reception_add::placeholderEntriesAreRefused_data()
{
    QTest::addColumn<int>("position");
    QTest::newRow("[Select Service]") << int(frmAdd::SelectService);
    QTest::newRow("separator") << int(frmAdd::Separator);
}

void tst_reception_add::placeholderEntriesAreRefused()
{
    QFETCH(int, position);
    QCOMPARE(services()->itemText(frmAdd::Separator), QString(21, '-'));
    QTest::keyClicks(entry(0), "Ann");
    QTest::keyClicks(entry(1), "Lee");
    services()->setCurrentIndex(position);
    QTest::mouseClick(ok(), Qt::LeftButton);
    QCOMPARE(m_reception->folder.prompter.texts(),
             QStringList{"Invalid service selected.  Please correct and resubmit your form."});
    QCOMPARE(m_reception->folder.prompter.boxes.first().title, QString("Error"));
    QCOMPARE(QApplication::focusWidget(), services());
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(queued(), 4);
}

void tst_reception_add::newCustomerJoinsTheEndOfTheWaitingList()
{
    QCOMPARE(services()->count(), 3 + 4); // the fixed entries and the demo's services
    QTest::keyClicks(entry(0), "Zoe");
    QTest::keyClicks(entry(1), "O'Hara");
    auto *estimate = m_dialog->findChild<QLabel *>("lblEstimate");
    QCOMPARE(estimate->text(), QString());
    services()->setCurrentIndex(services()->findText("Benefits"));
    const QString shown = estimate->text();
    QVERIFY2(shown.startsWith("Estimated wait: about ") && shown.endsWith(" min"),
             qPrintable(shown));
    QTest::keyClick(services(), Qt::Key_Return);
    QVERIFY(!m_dialog->isVisible());

    frmLobby &lobby = m_reception->lobby();
    auto *list = lobby.findChild<QTreeWidget *>("lstQueue");
    QCOMPARE(list->topLevelItemCount(), 4);
    QCOMPARE(list->topLevelItem(3)->text(0), QString("Zoe O'Hara"));
    QCOMPARE(list->topLevelItem(3)->text(2), QString("Benefits"));
    QCOMPARE("Estimated wait: " + list->topLevelItem(3)->text(3), shown); // as promised
    QCOMPARE(lobby.findChild<QLabel *>("panelQueue")->text(), QString("4 customers in queue"));
    QFile log(m_reception->folder.filePath("frontLog.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains(" - [frmAdd] - Added new customer record to queue\r\n"));
}

void tst_reception_add::failedCheckInKeepsWhatWasTyped()
{
    SKIP_ON_SERVER("The server keeps no queue file to tear");
    const QByteArray queue = m_reception->folder.readQueue();
    m_reception->folder.writeQueue("<LOBBY><QUEUE_REC"); // torn by some other program

    QTest::keyClicks(entry(0), "Zoe");
    QTest::keyClicks(entry(1), "O'Hara");
    services()->setCurrentIndex(services()->findText("Benefits"));
    QTest::mouseClick(ok(), Qt::LeftButton);
    QCOMPARE(m_reception->folder.prompter.boxes.size(), 1);
    QVERIFY(m_reception->folder.prompter.texts().first().startsWith(
        "Error adding customer entry.  [addCustomerToQueue]: "));
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(entry(1)->text(), QString("O'Hara"));

    m_reception->folder.writeQueue(queue);
    QTest::mouseClick(ok(), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(queued(), 5);
}

QTEST_MAIN(tst_reception_add)
#include "tst_reception_add.moc"
