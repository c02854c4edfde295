// Calling customers in the lobby: the sentence for each take, in the board's name form, and the
// chime once before each customer is called once.
#include "BoardAnnouncer.h"
#include "BoardLobby.h"
#include "FakeSound.h"

#include <QTest>

class tst_board_calls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void callText_data();
    void callText();
    void eachTakeCalledOnceAfterTheChime();
    void withoutEngineOrSoundTheRestGoesOn();
};

void tst_board_calls::callText_data()
{
    QTest::addColumn<NameForm>("form");
    QTest::addColumn<QString>("desk");
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QString>("said");
    QTest::newRow("at a desk") << NameForm::FirstAndInitial << "Window 4" << QString()
                               << "Jane D., please go to Window 4";
    QTest::newRow("no desk") << NameForm::FirstAndInitial << QString() << QString()
                             << "Jane D., please come to the front desk";
    QTest::newRow("own sentence") << NameForm::Full << "Window 4" << "Now %NAME%, to %desk%."
                                  << "Now Jane Doe, to Window 4.";
    QTest::newRow("own sentence, no desk") << NameForm::Full << QString() << "%name% to %desk%"
                                           << "Jane Doe to the front desk";
}

void tst_board_calls::callText()
{
    QFETCH(NameForm, form);
    QFETCH(QString, desk);
    QFETCH(QString, sentence);
    BoardLobby lobby(form);
    lobby.board.poll();
    FakeSpeech speech;
    BoardAnnouncer announcer(nullptr, &speech, QString(), sentence);
    connect(&lobby.board, &BoardModel::customerTaken, &announcer, &BoardAnnouncer::announce);

    lobby.take(lobby.checkIn("Jane", "Doe"), lobby.dana, desk);
    lobby.board.poll();
    QTEST(speech.said.join(QLatin1Char('|')), "said");
}

void tst_board_calls::eachTakeCalledOnceAfterTheChime()
{
    BoardLobby lobby;
    const int ann = lobby.checkIn("Ann", "Lee");
    const int bob = lobby.checkIn("Bob", "Stone");
    lobby.board.poll();
    FakeSound sound;
    FakeSpeech speech;
    BoardAnnouncer announcer(&sound, &speech, lobby.folder.context.params.chimePath(), QString());
    connect(&lobby.board, &BoardModel::customerTaken, &announcer, &BoardAnnouncer::announce);

    lobby.take(ann, lobby.dana);
    lobby.take(bob, lobby.marco);
    lobby.board.poll();
    QCOMPARE(sound.filesPlayed.size(), 1);
    QVERIFY(speech.said.isEmpty()); // the chime first
    QTRY_COMPARE_WITH_TIMEOUT(speech.said.size(), 2, 5 * BoardAnnouncer::ChimeMilliseconds);
    QCOMPARE(speech.said, (QStringList{"Ann L., please come to the front desk",
                                       "Bob S., please come to the front desk"}));

    // Still in service at the next polls: not called again.
    lobby.signalChange();
    lobby.board.poll();
    lobby.board.poll();
    QTest::qWait(2 * BoardAnnouncer::ChimeMilliseconds);
    QCOMPARE(sound.filesPlayed.size(), 1);
    QCOMPARE(speech.said.size(), 2);
}

void tst_board_calls::withoutEngineOrSoundTheRestGoesOn()
{
    BoardLobby lobby;
    lobby.board.poll();
    FakeSound sound;
    FakeSpeech speech;
    speech.engine = false;
    BoardAnnouncer chimeOnly(&sound, &speech, lobby.folder.context.params.chimePath(), QString());
    FakeSpeech voice;
    BoardAnnouncer voiceOnly(nullptr, &voice, lobby.folder.context.params.chimePath(), QString());
    connect(&lobby.board, &BoardModel::customerTaken, &chimeOnly, &BoardAnnouncer::announce);
    connect(&lobby.board, &BoardModel::customerTaken, &voiceOnly, &BoardAnnouncer::announce);

    lobby.take(lobby.checkIn("Ann", "Lee"), lobby.dana);
    lobby.board.poll();
    QCOMPARE(sound.filesPlayed.size(), 1);
    QCOMPARE(voice.said, QStringList{"Ann L., please come to the front desk"});
    QTest::qWait(2 * BoardAnnouncer::ChimeMilliseconds);
    QVERIFY(speech.said.isEmpty());
}

QTEST_MAIN(tst_board_calls)
#include "tst_board_calls.moc"
