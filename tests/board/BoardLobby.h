#pragma once

#include "BoardModel.h"
#include "SpeechBackend.h"
#include "TestSupport.h"

#include <QString>
#include <QStringList>

/// Records what would have been said.
class FakeSpeech final : public SpeechBackend
{
public:
    bool available() const override { return engine; }
    void say(const QString &text) override { said.append(text); }

    bool engine = true;
    QStringList said;
};

/// A test program folder with representatives, the changes the reception and the clients make,
/// and a board reading it. Every change moves the change signal to a time of its own, so a
/// poll can never miss one however fast the test runs.
class BoardLobby
{
public:
    explicit BoardLobby(NameForm nameForm = NameForm::FirstAndInitial);

    TestFolder folder;
    BoardModel board;

    /// Checks a customer in at the fake clock's time; the new id.
    int checkIn(const QString &firstName, const QString &lastName);
    /// Takes customer `id` into the service of user `userNumber`, at `desk`, at the fake clock's
    /// time.
    void take(int id, int userNumber, const QString &desk = QString());
    /// Signs customer `id` out into history.
    void complete(int id);
    /// Moves the change signal on, as a change by another workstation does.
    void signalChange();

    int dana = 0;  // Dana Whitfield
    int marco = 0; // Marco Ruiz

private:
    int m_signalSeconds = 1700000000;
};
