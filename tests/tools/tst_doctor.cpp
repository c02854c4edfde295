#include "FolderDoctor.h"
#include "IniFile.h"
#include "QueueLock.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>

#include <unistd.h>

namespace {
constexpr QFileDevice::Permissions readOnly =
    QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
constexpr QFileDevice::Permissions openToRun =
    readOnly | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;

/// A program folder with the programs in place, as an administrator leaves it: everything but
/// the data, the exports, the settings and the logs read-only; on the server, the desks' role
/// holds only what the programs need.
struct InstalledFolder : TestFolder
{
    InstalledFolder() : TestFolder(true)
    {
        if (!useOfficeRole("SELECT, INSERT, UPDATE, DELETE"))
            qWarning("InstalledFolder: the office's role could not be made");
        for (const char *program : {"harbrin", "quorvelClient"}) {
            QFile file(filePath(program));
            file.open(QIODevice::WriteOnly);
            file.setPermissions(openToRun);
        }
        for (const char *folder : {"help", "media", "system"}) {
            for (const QString &file : QDir(filePath(folder)).entryList(QDir::Files))
                QFile::setPermissions(filePath(folder) + '/' + file, readOnly);
        }
        setFoldersWritable(false);
    }
    ~InstalledFolder() { setFoldersWritable(true); }
    void setFoldersWritable(bool writable) const
    {
        for (const QString &folder :
             {path(), filePath("help"), filePath("media"), filePath("system")})
            QFile::setPermissions(folder,
                                  writable ? openToRun | QFileDevice::WriteOwner : openToRun);
    }
    ProgramRun doctor() const { return quorvelctl(path(), {"doctor"}); }
};

/// The command line of doctor on `folder` as the office's account; as root, that of the
/// unprivileged user nobody (empty when this system cannot switch to it).
QStringList doctorAsOfficeUser(const InstalledFolder &folder)
{
    QStringList command = {builtProgram("quorvelctl")};
    if (::geteuid() == 0) {
        // Root writes anywhere: check as the unprivileged user the programs run as.
        const QString setpriv = QStandardPaths::findExecutable("setpriv");
        if (setpriv.isEmpty())
            return {};
        const QString copy = folder.filePath("quorvelctl");
        if (!QFile::copy(command.first(), copy))
            return {};
        command = {setpriv, "--reuid=65534", "--regid=65534", "--clear-groups", copy};
        QFile::setPermissions(folder.path(), QFile::permissions(folder.path()) |
                                                 QFileDevice::ExeOther | QFileDevice::ReadOther);
    }
    return command + QStringList{"--folder", folder.path(), "doctor"};
}

/// Another process that takes the queue lock and holds it until it is killed, as a workstation
/// that crashes in the middle of a change.
class LockHolder
{
public:
    explicit LockHolder(const TestFolder &folder)
    {
        m_process.start(QCoreApplication::applicationFilePath(),
                        {"--hold-lock", folder.context.params.queuePath});
    }
    ~LockHolder() { crash(); }
    bool holds() { return m_process.waitForReadyRead(10000); }
    void crash()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};
} // namespace

class tst_doctor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void healthyFolderPassesEveryCheck();
    void brokenFileIsNamed_data();
    void brokenFileIsNamed();
    void readOnlyDataFolder();
    void lockOfAnEndedInstance();
    void warnedButNotFailed_data();
    void warnedButNotFailed();
    void notAProgramFolderInOneLine_data();
    void notAProgramFolderInOneLine();
    void attributeCacheOfShares_data();
    void attributeCacheOfShares();
    void serverIsChecked_data();
    void serverIsChecked();
};

void tst_doctor::healthyFolderPassesEveryCheck()
{
    InstalledFolder folder;
    // Saves rename a new file over the queue, so a read-only one is no fault.
    QVERIFY(QFile::setPermissions(folder.context.params.queuePath, readOnly));
    const ProgramRun run = folder.doctor();
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.trimmed().split('\n').mid(1);
    QVERIFY(lines.size() >= 15);
    for (const QString &line : lines)
        QVERIFY2(line.mid(23).startsWith("ok"), qPrintable(line));
    if (!TestFolder::onServer())
        QCOMPARE(doctorVerdict(run, "data/lobbyData.xml"), QString("ok (4 customers)"));
    else // what the folder held before the move is not judged
        QVERIFY(!run.out.contains("data/lobbyData.xml") && !run.out.contains("queue lock"));
    QCOMPARE(QDir(folder.filePath("data")).entryList(QDir::Hidden | QDir::Files).filter(".doctor"),
             QStringList()); // no probe left
}

void tst_doctor::brokenFileIsNamed_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content"); // empty: the file is removed
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing history") << "data/history.mdb" << QByteArray() << "missing";
    QTest::newRow("missing system database") << "data/systemData.mdb" << QByteArray() << "missing";
    QTest::newRow("not a database") << "data/systemData.mdb" << QByteArray("plain text")
                                    << "cannot be read: file is not a database";
    QTest::newRow("queue not well-formed")
        << "data/lobbyData.xml" << QByteArray("<LOBBY>") << "is not well-formed";
    QTest::newRow("queue of another kind")
        << "data/lobbyData.xml" << QByteArray("<lobby/>") << "the document element is not LOBBY";
    QTest::newRow("record without id")
        << "data/lobbyData.xml" << QByteArray("<LOBBY><QUEUE_REC/></LOBBY>")
        << "record 1 has no numeric id";
    QTest::newRow("missing program") << "harbrin" << QByteArray() << "harbrin is missing";
    QTest::newRow("missing chime") << "media/chimes.wav" << QByteArray() << "missing";
    QTest::newRow("empty help page") << "help/default.htm" << QByteArray("") << "empty";
}

void tst_doctor::brokenFileIsNamed()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    if (file.startsWith("data/") && TestFolder::onServer())
        QSKIP("The data folder's own files only.");
    InstalledFolder folder;
    folder.setFoldersWritable(true);
    QFile target(folder.filePath(file));
    target.setPermissions(target.permissions() | QFileDevice::WriteOwner);
    if (content.isNull()) {
        QVERIFY(target.remove());
    } else {
        QVERIFY(writeFile(target.fileName(), content));
    }
    const ProgramRun run = folder.doctor();
    QCOMPARE(run.exitCode, 1);
    const QString subject = file == "harbrin" ? QString("programs") : file;
    QVERIFY2(doctorVerdict(run, subject).contains(expected), qPrintable(run.out));
    // The other files are still judged on their own.
    QCOMPARE(doctorVerdict(run, "system/history.mdb"), QString("ok"));
}

void tst_doctor::readOnlyDataFolder()
{
    InstalledFolder folder;
    const QStringList command = doctorAsOfficeUser(folder);
    if (command.isEmpty())
        QSKIP("running as root without setpriv to check as another user");
    const QString data = folder.filePath("data");
    const QFileDevice::Permissions writable = QFile::permissions(data);
    QVERIFY(QFile::setPermissions(
        data,
        writable & ~(QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)));
    const ProgramRun run = runProgram(command.first(), command.mid(1));
    QFile::setPermissions(data, writable);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(doctorVerdict(run, "data/ writable").startsWith("cannot be written"),
             qPrintable(run.out));
    QVERIFY(doctorVerdict(run, "exclusive create").startsWith("no file can be made in data/"));
    QCOMPARE(doctorVerdict(run, "help/default.htm"), QString("ok"));
}

void tst_doctor::lockOfAnEndedInstance()
{
    SKIP_ON_SERVER("The data folder's lock only.");
    InstalledFolder folder;
    LockHolder holder(folder);
    QVERIFY(holder.holds());
    // A live holder is no fault: it is changing the queue right now.
    ProgramRun run = folder.doctor();
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(doctorVerdict(run, "queue lock"),
             QString("ok (held by a workstation changing the queue)"));

    holder.crash();
    // A lock that has not named its holder yet counts as held for a moment more.
    QTRY_VERIFY_WITH_TIMEOUT(
        doctorVerdict(run = folder.doctor(), "queue lock").contains("was left behind"), 15000);
    QCOMPARE(run.exitCode, 1);
    QVERIFY(QFile::exists(QueueLock::lockPathFor(folder.context.params.queuePath))); // not broken
}

void tst_doctor::warnedButNotFailed_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("expected");
    QTest::newRow("limit not a number")
        << "vedez.ini" << QByteArray("[time]\r\nMaxLimit=abc\r\n") << "vedez.ini"
        << "MaxLimit=abc is not a number";
    QTest::newRow("program writable by the office")
        << "harbrin" << QByteArray("#!/bin/sh\n") << "program files"
        << "harbrin can be changed";
}

void tst_doctor::warnedButNotFailed()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, subject);
    QFETCH(QString, expected);
    InstalledFolder folder;
    QFile target(folder.filePath(file));
    QVERIFY(target.setPermissions(target.permissions() | QFileDevice::WriteOwner |
                                  QFileDevice::WriteOther));
    QVERIFY(writeFile(target.fileName(), content));
    const QStringList command = doctorAsOfficeUser(folder);
    if (command.isEmpty())
        QSKIP("running as root without setpriv to check as another user");
    const ProgramRun run = runProgram(command.first(), command.mid(1));
    QVERIFY2(doctorVerdict(run, subject).startsWith("warning: " + expected), qPrintable(run.out));
}

void tst_doctor::notAProgramFolderInOneLine_data()
{
    QTest::addColumn<QString>("folder"); // under a temporary /srv
    QTest::addColumn<QByteArray>("fstab");
    QTest::addColumn<QString>("expected");
    QTest::newRow("share not mounted")
        << "mnt/quorvel" << QByteArray("fs1:/srv/quorvel /mnt/quorvel nfs rw,hard 0 0\n")
        << "not mounted: /etc/fstab mounts fs1:/srv/quorvel on /mnt/quorvel";
    QTest::newRow("empty mount point")
        << "mnt/quorvel" << QByteArray() << "is empty: no share is mounted here";
    QTest::newRow("missing") << "mnt/elsewhere" << QByteArray() << "does not exist";
    QTest::newRow("another folder") << "srv" << QByteArray() << "is not a program folder";
}

void tst_doctor::notAProgramFolderInOneLine()
{
    QFETCH(QString, folder);
    QFETCH(QByteArray, fstab);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("mnt/quorvel") && QDir(root.path()).mkpath("srv/notes"));
    SystemParameters params;
    loadSystemParameters(root.filePath(folder), params);
    formFilePaths(params);
    // The fed mount table names the folders under the temporary root as if they were at /.
    FolderDoctor doctor(params, {"27 1 8:1 / / rw - ext4 /dev/sda1 rw\n",
                                 fstab.replace(" /mnt/", " " + root.path().toUtf8() + "/mnt/")});
    const QList<FolderDoctor::Check> checks = doctor.run();
    QCOMPARE(checks.size(), 1);
    QCOMPARE(checks.first().subject, QString("program folder"));
    QVERIFY2(checks.first().problem.contains(expected.replace("/mnt/", root.path() + "/mnt/")),
             qPrintable(checks.first().problem));
}

void tst_doctor::attributeCacheOfShares_data()
{
    QTest::addColumn<QByteArray>("mount"); // the line of /proc/self/mountinfo under /mnt/quorvel
    QTest::addColumn<QByteArray>("fstab"); // its line in /etc/fstab, if any
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("seconds");
    QTest::newRow("nfs defaults")
        << QByteArray("80 27 0:50 / /mnt/quorvel rw,relatime shared:1 - nfs4 fs1:/srv/quorvel "
                      "rw,vers=4.2,rsize=1048576,hard,proto=tcp,acregmin=3,acregmax=60,"
                      "acdirmin=30,acdirmax=60")
        << QByteArray() << "nfs4" << 60;
    QTest::newRow("nfs actimeo=1")
        << QByteArray("80 27 0:50 / /mnt/quorvel rw - nfs fs1:/srv/quorvel "
                      "rw,vers=3,hard,acregmin=1,acregmax=1,acdirmin=1,acdirmax=1")
        << QByteArray() << "nfs" << 1;
    QTest::newRow("nfs noac") << QByteArray("80 27 0:50 / /mnt/quorvel rw,sync - nfs4 "
                                            "fs1:/srv/quorvel rw,sync,vers=4.2,noac,hard")
                              << QByteArray() << "nfs4" << 0;
    QTest::newRow("cifs actimeo")
        << QByteArray("81 27 0:51 / /mnt/quorvel rw - cifs //fs1/quorvel rw,vers=3.1.1,actimeo=1")
        << QByteArray() << "cifs" << 1;
    QTest::newRow("cifs acregmax=30")
        << QByteArray("81 27 0:51 / /mnt/quorvel rw - cifs //fs1/quorvel "
                      "rw,vers=3.1.1,acregmax=30,acdirmax=30")
        << QByteArray() << "cifs" << 30;
    QTest::newRow("cifs without cache option")
        << QByteArray("81 27 0:51 / /mnt/quorvel rw - cifs //fs1/quorvel rw,vers=3.0")
        << QByteArray() << "cifs" << 1;
    const QByteArray sshfs = "82 27 0:52 / /mnt/quorvel rw,nosuid,nodev - fuse.sshfs "
                             "office@fs1:/srv/quorvel rw,user_id=0,group_id=0";
    QTest::newRow("sshfs, options unseen")
        << sshfs << QByteArray() << "fuse.sshfs" << int(FolderDoctor::UnknownCache);
    QTest::newRow("sshfs by fstab, defaults")
        << sshfs << QByteArray("office@fs1:/srv/quorvel /mnt/quorvel fuse.sshfs _netdev 0 0")
        << "fuse.sshfs" << 20;
    QTest::newRow("sshfs by fstab, cache_timeout=60")
        << sshfs
        << QByteArray("office@fs1:/srv/quorvel /mnt/quorvel fuse.sshfs cache_timeout=60 0 0")
        << "fuse.sshfs" << 60;
    QTest::newRow("sshfs by fstab, cache=no")
        << sshfs << QByteArray("office@fs1:/srv/quorvel /mnt/quorvel fuse.sshfs cache=no 0 0")
        << "fuse.sshfs" << 1;
    QTest::newRow("FUSE with unknown options")
        << QByteArray("83 27 0:53 / /mnt/quorvel rw - fuse.rclone office: rw,user_id=0")
        << QByteArray("office: /mnt/quorvel rclone vfs-cache-mode=full 0 0") << "fuse.rclone"
        << int(FolderDoctor::UnknownCache);
    QTest::newRow("9p") << QByteArray("84 27 0:54 / /mnt/quorvel rw - 9p share rw,trans=virtio")
                        << QByteArray() << "9p" << int(FolderDoctor::UnknownCache);
    QTest::newRow("a share mounted beside, not above")
        << QByteArray("80 27 0:50 / /mnt/quorvel-test rw - nfs4 fs1:/t rw,acregmax=60")
        << QByteArray() << "ext4" << int(FolderDoctor::LocalDisk);
}

void tst_doctor::attributeCacheOfShares()
{
    QFETCH(QByteArray, mount);
    QFETCH(QByteArray, fstab);
    QFETCH(QString, type);
    QFETCH(int, seconds);
    const QByteArray mountInfo = "27 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
                                 "60 27 0:40 / /mnt rw - ext4 /dev/sdb1 rw\n" +
                                 mount + "\n";
    const FolderDoctor::Mount found =
        FolderDoctor::mountHolding("/mnt/quorvel/data", {mountInfo, fstab});
    QCOMPARE(found.type, type);
    QCOMPARE(FolderDoctor::attributeCacheSeconds(found), seconds);
}

void tst_doctor::serverIsChecked_data()
{
    QTest::addColumn<QString>("privileges"); // empty: a connection no server answers
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("unreachable") << QString() << "server reachable"
                                 << "connection to server on socket" << 1;
    QTest::newRow("without DELETE")
        << "SELECT, INSERT, UPDATE"
        << "server privileges"
        << "this role lacks SELECT, INSERT, UPDATE or DELETE on: queue, history, users" << 1;
    QTest::newRow("more than needed") << "ALL"
                                      << "server notifications"
                                      << "ok (heard after" << 0;
}

void tst_doctor::serverIsChecked()
{
    QFETCH(QString, privileges);
    QFETCH(QString, subject);
    QFETCH(QString, expected);
    QFETCH(int, exitCode);
    InstalledFolder folder;
    if (privileges.isEmpty())
        QVERIFY(IniFile::writeString(folder.filePath("vedez.ini"), "server", "Connection",
                                     "host=" + folder.filePath("nowhere") + " dbname=quorvel"));
    else if (!TestFolder::onServer())
        QSKIP("no test server");
    else
        QVERIFY(folder.useOfficeRole(privileges));
    const ProgramRun run = folder.doctor();
    QVERIFY2(doctorVerdict(run, subject).contains(expected),
             qPrintable(doctorVerdict(run, subject)));
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.out));
    // A server that does not answer is said once; one that does, in every respect.
    QCOMPARE(run.out.count("\nserver "), privileges.isEmpty() ? 1 : 5);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0) {
        QueueLock lock(QString::fromLocal8Bit(argv[2]));
        Failure failure;
        if (!lock.acquire(failure))
            return 1;
        std::puts("held");
        std::fflush(stdout);
        QThread::sleep(120);
        return 0;
    }
    tst_doctor test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_doctor.moc"
