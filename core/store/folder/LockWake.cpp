#include "LockWake.h"

#include <QFile>
#include <QFileInfo>

#include <ctime>
#include <fcntl.h>
#include <linux/futex.h>
#include <map>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
/// The folder's identity on this machine, whatever path names it.
QByteArray nameFor(const QString &queuePath)
{
    struct stat folder = {};
    if (::stat(QFile::encodeName(QFileInfo(queuePath).absolutePath()).constData(), &folder) != 0)
        return {};
    return "/quorvel-lock-wake-" + QByteArray::number(quint64(folder.st_dev)) + '-' +
           QByteArray::number(quint64(folder.st_ino));
}

std::atomic<std::uint32_t> *mapped(const QByteArray &name, bool create)
{
    const int fd = ::shm_open(name.constData(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
    if (fd < 0)
        return nullptr;
    if (create)
        ::fchmod(fd, 0666); // every user of the folder on this machine wakes the others
    void *memory = MAP_FAILED;
    if (::ftruncate(fd, sizeof(std::uint32_t)) == 0)
        memory = ::mmap(nullptr, sizeof(std::uint32_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    return memory == MAP_FAILED ? nullptr : static_cast<std::atomic<std::uint32_t> *>(memory);
}
} // namespace

LockWake *LockWake::of(const QString &queuePath, bool create)
{
    // Both kept for the process's life: a few bytes mapped, and a name whose look-up is a round
    // trip where the folder is a share.
    static std::map<QString, LockWake> wakes;
    static std::map<QString, QByteArray> names;
    const auto found = wakes.find(queuePath);
    if (found != wakes.end())
        return &found->second;
    auto name = names.find(queuePath);
    if (name == names.end())
        name = names.emplace(queuePath, nameFor(queuePath)).first;
    std::atomic<std::uint32_t> *releases =
        name->second.isEmpty() ? nullptr : mapped(name->second, create);
    return releases ? &wakes.emplace(queuePath, LockWake(releases)).first->second : nullptr;
}

void LockWake::waitPast(std::uint32_t mark, int milliseconds)
{
    const timespec pause{milliseconds / 1000, long(milliseconds % 1000) * 1000000L};
    // Returns at once when a release came after `mark`; else at the next wake or the pause's end.
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t *>(m_releases), FUTEX_WAIT, mark, &pause,
              nullptr, 0);
}

void LockWake::wakeOne()
{
    m_releases->fetch_add(1);
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t *>(m_releases), FUTEX_WAKE, 1, nullptr,
              nullptr, 0);
}
