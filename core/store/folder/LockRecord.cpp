#include "LockRecord.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <QSysInfo>

#include <unistd.h>

namespace {
QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ? file.read(4096) : QByteArray();
}

/// The fields of /proc/PID/stat after the command name, which may hold blanks itself.
QList<QByteArray> processFields(qint64 pid)
{
    const QByteArray stat = readSmallFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close < 0 ? QList<QByteArray>() : stat.mid(close + 2).split(' ');
}

// In processFields: the state is the first field, the start time the twentieth.
constexpr int StateField = 0;
constexpr int StartTimeField = 19;

/// Process numbers are this boot's, in this namespace: two containers on one host, or two
/// machines cloned from one image, must not read each other's numbers as their own.
const QByteArray &machineIdentity()
{
    static const QByteArray identity = [] {
        const QByteArray boot = readSmallFile(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        const QByteArray space = QFile::symLinkTarget(QStringLiteral("/proc/self/ns/pid")).toUtf8();
        if (boot.trimmed().isEmpty())
            return QSysInfo::machineUniqueId() + '/' + QSysInfo::machineHostName().toUtf8();
        return boot.trimmed() + '/' + space;
    }();
    return identity;
}

// The beat keeps its width, so a refresh overwrites the record in place.
constexpr int BeatDigits = 12;
constexpr int Lines = 7;
} // namespace

QByteArray newLockToken()
{
    quint64 words[2];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray(reinterpret_cast<const char *>(words), sizeof words).toHex();
}

LockRecord LockRecord::mine()
{
    // Read each time, never kept: a forked child that kept its parent's would be judged a
    // reused process number, and its live lock broken.
    const QList<QByteArray> fields = processFields(::getpid());
    const QByteArray startTime = fields.size() > StartTimeField ? fields[StartTimeField] : "0";
    return {QCoreApplication::applicationPid(),
            QCoreApplication::applicationName().toUtf8(),
            QSysInfo::machineHostName().toUtf8(),
            machineIdentity(),
            startTime,
            newLockToken(),
            0};
}

QByteArray LockRecord::bytes() const
{
    return QByteArray::number(pid) + '\n' + application + '\n' + host + '\n' + machine + '\n' +
           startTime + '\n' + token + '\n' +
           QByteArray::number(beat).rightJustified(BeatDigits, '0') + '\n';
}

std::optional<LockRecord> LockRecord::parse(const QByteArray &bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() != Lines + 1 || !lines.last().isEmpty())
        return std::nullopt;
    LockRecord record;
    bool pidRead = false, beatRead = false;
    record.pid = lines[0].toLongLong(&pidRead);
    record.beat = lines[6].toULongLong(&beatRead);
    if (!pidRead || !beatRead || record.pid <= 0 || lines[5].isEmpty())
        return std::nullopt;
    record.application = lines[1];
    record.host = lines[2];
    record.machine = lines[3];
    record.startTime = lines[4];
    record.token = lines[5];
    return record;
}

bool LockRecord::onThisMachine() const
{
    return machine == machineIdentity();
}

bool LockRecord::holderEnded() const
{
    // Without /proc nothing here can be told: the lock is then watched like any other.
    static const bool processesReadable = processFields(::getpid()).size() > StartTimeField;
    if (!onThisMachine() || !processesReadable)
        return false;
    const QList<QByteArray> fields = processFields(pid);
    if (fields.size() <= StartTimeField)
        return true;
    const QByteArray &state = fields[StateField];
    return state == "Z" || state == "X" || fields[StartTimeField] != startTime;
}

QString LockRecord::holderText() const
{
    return QStringLiteral("process %1 (%2) on %3")
        .arg(pid)
        .arg(QString::fromUtf8(application), QString::fromUtf8(host));
}
