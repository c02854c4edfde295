#include "BoardModel.h"

#include "ChangeFollower.h"
#include "IniFile.h"
#include "Store.h"
#include "TextForms.h"
#include "clsQuorvel.h"

#include <QFileInfo>

#include <algorithm>

BoardModel::BoardModel(const SystemParameters &params, Clock &clock, NameForm nameForm)
    : m_context(m_failures, clock, m_programEnd), m_nameForm(nameForm)
{
    m_context.params = params;
    const QString defaultTitle = QStringLiteral("Welcome");
    m_title = IniFile::readString(params.iniPath(), QStringLiteral("board"),
                                  QStringLiteral("Title"), defaultTitle)
                  .trimmed();
    if (m_title.isEmpty())
        m_title = defaultTitle;
    m_timer.setInterval(PollMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &BoardModel::poll);
    new ChangeFollower(
        m_context.store(), m_timer, [this] { poll(); }, this);
    connect(
        &m_context.store(), &Store::reachability, this,
        [this](const QString &notice, bool shown) { m_storeNotice = shown ? notice : QString(); });
}

void BoardModel::start()
{
    poll();
    m_timer.start();
}

void BoardModel::poll()
{
    QList<Call> taken;
    // While the last read failed, every tick tries again: the signal may not move for a while.
    if (m_context.store().checkChanged(m_changeMark, true) || m_reconnecting || !m_loadedOnce) {
        m_reconnecting = !reload();
        if (!m_reconnecting) {
            readRepresentatives();
            taken = noteTakenCustomers();
        }
    }
    refreshOverdueMarks(m_listing, now().time(), m_context.params.MaxLimit);
    showRows();
    Q_EMIT updated();
    if (!taken.isEmpty())
        Q_EMIT customerTaken(taken);
}

bool BoardModel::reload()
{
    m_failures.count = 0;
    m_failures.last.clear();
    clsQuorvel queue(m_context);
    QueueListing listing;
    queue.loadQueue(listing, true);
    if (!queue.queueFileRead() || m_failures.count > 0) {
        const QString why = queueUnreadableReason();
        if (why != m_unreadableReason) {
            m_unreadableReason = why;
            Q_EMIT queueUnreadable(why);
        }
        return false;
    }
    m_unreadableReason.clear();
    m_listing = listing;
    m_waits.readHistory(m_context.store(), now().date());
    return true;
}

QString BoardModel::queueUnreadableReason() const
{
    // A server has no file to name; its own words say what went wrong.
    if (!m_context.params.serverConnection.isEmpty())
        return m_failures.last.isEmpty() ? m_storeNotice : m_failures.last;
    const QString &path = m_context.params.queuePath;
    return QFileInfo::exists(path) ? path + QStringLiteral(" cannot be read")
                                   : path + QStringLiteral(" is missing");
}

void BoardModel::readRepresentatives()
{
    QList<Directory::User> users;
    Failure failure;
    // Names that cannot be read now stay as last read: a busy database is no reason to blank them.
    if (!m_context.store().allUsers(users, failure))
        return;
    m_representatives.clear();
    for (const Directory::User &user : users)
        m_representatives.insert(
            user.userNumber, formatName(user.firstName, user.lastName, NameForm::FirstAndInitial));
}

QList<BoardModel::Call> BoardModel::noteTakenCustomers()
{
    // A customer already in service when the board starts is not news.
    const QDateTime seenAt = m_loadedOnce ? now() : QDateTime();
    QHash<QPair<int, int>, QDateTime> takenSeen;
    QList<Call> taken;
    for (const QueueRow &row : std::as_const(m_listing.inService)) {
        const QPair<int, int> key(row.id, row.userId);
        const auto known = m_takenSeen.constFind(key);
        if (known == m_takenSeen.cend() && m_loadedOnce)
            taken.append({formatName(row.firstName, row.lastName, m_nameForm), row.desk});
        takenSeen.insert(key, known == m_takenSeen.cend() ? seenAt : known.value());
    }
    m_takenSeen = takenSeen;
    m_loadedOnce = true;
    return taken;
}

void BoardModel::showRows()
{
    const QDateTime moment = now();
    QList<QueueRow> inService = m_listing.inService;
    // Most recently taken first; a record that holds no time taken goes last.
    std::stable_sort(inService.begin(), inService.end(), [](const QueueRow &a, const QueueRow &b) {
        return a.timeSeen.isValid() && (!b.timeSeen.isValid() || a.timeSeen > b.timeSeen);
    });
    m_serving.clear();
    for (const QueueRow &row : std::as_const(inService)) {
        const QDateTime seen = m_takenSeen.value({row.id, row.userId});
        m_serving.append({row.id, formatName(row.firstName, row.lastName, m_nameForm),
                          m_representatives.value(row.userId), row.desk,
                          seen.isValid() && moment < seen.addSecs(HighlightSeconds)});
    }
    m_waiting.clear();
    const QStringList estimates = m_waits.texts(m_listing, moment);
    for (qsizetype i = 0; i < m_listing.waiting.size(); ++i) {
        const QueueRow &row = m_listing.waiting.at(i);
        // A customer left from an earlier day has waited whole days besides the minutes.
        const qint64 days = qMax<qint64>(0, row.dateIn.daysTo(moment.date()));
        const int minutes =
            int(days) * 24 * 60 + TextForms::minuteBoundaries(row.timeIn, moment.time());
        m_waiting.append(
            {row.id, formatName(row.firstName, row.lastName, m_nameForm), qMax(0, minutes),
             days > 0 ? minutes >= m_context.params.MaxLimit : row.overdue, estimates.at(i)});
    }
}
