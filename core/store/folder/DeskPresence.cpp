#include "DeskPresence.h"

#include "SystemParameters.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <set>
#include <string>

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace {
/// Whether another process holds a lock on the mark: 1 yes, 0 not seen, -1 the share cannot say.
int lockedElsewhere(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const int result = ::fcntl(fd, F_GETLK, &probe) == 0 ? (probe.l_type != F_UNLCK ? 1 : 0) : -1;
    ::close(fd);
    return result;
}

bool processRuns(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// The marks of this process: a program that ends through exit() (after new options, after an
// archive) runs no destructor, yet must not leave its mark for the other workstations to see.
std::set<std::string> &marksHere()
{
    static std::set<std::string> marks;
    return marks;
}

void removeMarksHere()
{
    for (const std::string &mark : marksHere())
        ::unlink(mark.c_str());
}
} // namespace

QString DeskPresence::thisAccount()
{
    const passwd *account = ::getpwuid(::geteuid());
    return account ? QString::fromLocal8Bit(account->pw_name) : QString::number(::geteuid());
}

QString DeskPresence::folderFor(const QString &dataPath)
{
    return joinPath(dataPath, QStringLiteral("desks"));
}

DeskPresence::DeskPresence(const QString &dataPath, const QString &program)
{
    const QString folder = folderFor(dataPath);
    if (!QFileInfo(folder).isDir())
        return;
    const qint64 pid = ::getpid();
    m_path = joinPath(
        folder, QStringLiteral("%1@%2.%3").arg(program, QSysInfo::machineHostName()).arg(pid));
    m_fd =
        ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0664);
    if (m_fd < 0)
        return; // the mark is for the administrator's tools; the desk works without it
    // The set is made first, so it is destroyed only after the handler has run.
    std::set<std::string> &marks = marksHere();
    static const bool removedAtExit = std::atexit(removeMarksHere) == 0;
    Q_UNUSED(removedAtExit);
    marks.insert(QFile::encodeName(m_path).toStdString());
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(m_fd, F_SETLK, &lock);
    const QByteArray content = QStringLiteral("%1\n%2\n%3\n%4\n")
                                   .arg(program, QSysInfo::machineHostName())
                                   .arg(pid)
                                   .arg(thisAccount())
                                   .toUtf8();
    if (::write(m_fd, content.constData(), size_t(content.size())) != content.size())
        ::ftruncate(m_fd, 0);
}

DeskPresence::~DeskPresence()
{
    if (m_fd < 0)
        return;
    ::unlink(QFile::encodeName(m_path).constData());
    marksHere().erase(QFile::encodeName(m_path).toStdString());
    ::close(m_fd);
}

QList<DeskPresence::Holder> DeskPresence::holders(const QString &dataPath)
{
    QList<Holder> found;
    const QString thisHost = QSysInfo::machineHostName();
    const QDir folder(folderFor(dataPath));
    for (const QFileInfo &mark : folder.entryInfoList(QDir::Files, QDir::Name)) {
        QFile file(mark.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QStringList fields = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        file.close();
        if (fields.size() < 4)
            continue; // a mark still being written, or an emptied one
        Holder holder{fields.at(0), fields.at(1), fields.at(2).toLongLong(), fields.at(3),
                      mark.filePath()};
        if (holder.host == thisHost) {
            if (!processRuns(holder.pid)) {
                QFile::remove(holder.markPath); // left by a crash here
                continue;
            }
            holder.confirmed = true;
        } else {
            // An unlocked mark of another workstation proves nothing where the share keeps
            // each workstation's locks to itself: only a lock seen confirms it.
            holder.confirmed = lockedElsewhere(holder.markPath) == 1;
        }
        found.append(holder);
    }
    return found;
}

QString DeskPresence::describe(const Holder &holder)
{
    QString text = QStringLiteral("%1 on %2 (process %3, user %4)")
                       .arg(holder.program, holder.host)
                       .arg(holder.pid)
                       .arg(holder.account);
    if (!holder.confirmed)
        text +=
            QStringLiteral(", unless that workstation is off: then delete %1").arg(holder.markPath);
    return text;
}
