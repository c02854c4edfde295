#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {
/// A program folder whose path needs quoting in a desktop entry, with the programs in place.
class ProgramFolderWithPrograms
{
public:
    ProgramFolderWithPrograms() : m_folder(m_parent.filePath("office \"east\" 100% $HOME"))
    {
        QDir().mkpath(m_folder);
        addProgram("harbrin");
        addProgram("quorvelClient");
    }
    QString path() const { return m_folder; }
    void addProgram(const QString &name) const
    {
        QFile file(QDir(m_folder).filePath(name));
        file.open(QIODevice::WriteOnly);
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
    void removeProgram(const QString &name) const { QFile::remove(QDir(m_folder).filePath(name)); }

private:
    QTemporaryDir m_parent;
    QString m_folder;
};

class Workstation
{
public:
    Workstation() { m_environment.insert("XDG_DATA_HOME", m_data.path()); }
    ProgramRun launchers(const QString &programFolder, const QStringList &options = {}) const
    {
        return runProgram(builtProgram("quorvelctl"),
                          QStringList{"--folder", programFolder, "launchers"} + options,
                          m_environment);
    }
    QString applications() const { return m_data.filePath("applications"); }
    QStringList entries() const
    {
        return QDir(applications()).entryList({"*.desktop"}, QDir::Files, QDir::Name);
    }
    QStringList icons() const
    {
        QStringList files;
        QDirIterator it(m_data.filePath("icons"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

private:
    QTemporaryDir m_data;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
};

QString entryValue(const QString &entryPath, const QString &key)
{
    QFile file(entryPath);
    file.open(QIODevice::ReadOnly);
    const QRegularExpression line("^" + key + "=(.*)$", QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(file.readAll())).captured(1);
}
} // namespace

class tst_launchers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entriesAreValidAndReplaced();
    void iconsInEveryThemeSize();
    void folderWithoutPrograms();
};

void tst_launchers::entriesAreValidAndReplaced()
{
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    QVERIFY2(!validator.isEmpty(), "desktop-file-validate (desktop-file-utils) is not installed");
    ProgramFolderWithPrograms programs;
    Workstation workstation;

    ProgramRun run = workstation.launchers(programs.path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(workstation.entries(),
             QStringList({"quorvel-harbrin.desktop", "quorvel-quorvelClient.desktop"}));
    const QString reception = workstation.applications() + "/quorvel-harbrin.desktop";
    const ProgramRun validation = runProgram(
        validator, {reception, workstation.applications() + "/quorvel-quorvelClient.desktop"});
    QCOMPARE(validation.exitCode, 0);
    QCOMPARE(validation.out + validation.err, QString());
    // Quoted and escaped twice: for the command line, then as a desktop entry string.
    QCOMPARE(entryValue(reception, "Exec"),
             "\"" +
                 programs.path().replace("\"", "\\\\\"").replace("$", "\\\\$").replace("%", "%%") +
                 "/harbrin\"");
    QCOMPARE(entryValue(reception, "Icon"), QString("quorvel"));

    // Again, with the board added and an entry changed by hand: replaced, not added to.
    programs.addProgram("quorvelBoard");
    QFile changed(reception);
    QVERIFY(changed.open(QIODevice::Append));
    changed.write("X-Changed=yes\n");
    changed.close();
    run = workstation.launchers(programs.path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(workstation.entries().size(), 3);
    QCOMPARE(entryValue(reception, "X-Changed"), QString());
    QCOMPARE(runProgram(validator, {workstation.applications() + "/quorvel-quorvelBoard.desktop"})
                 .exitCode,
             0);

    // A program taken out of the folder loses its entry at the next run.
    programs.removeProgram("quorvelBoard");
    QCOMPARE(workstation.launchers(programs.path()).exitCode, 0);
    QCOMPARE(workstation.entries().size(), 2);

    run = workstation.launchers(programs.path(), {"--remove"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(workstation.entries().isEmpty());
    QVERIFY(workstation.icons().isEmpty());
    QVERIFY(!QFileInfo::exists(workstation.applications())); // no empty folder left behind
}

void tst_launchers::iconsInEveryThemeSize()
{
    ProgramFolderWithPrograms programs;
    Workstation workstation;
    QCOMPARE(workstation.launchers(programs.path()).exitCode, 0);
    QStringList sizes;
    for (const QString &icon : workstation.icons()) {
        const QString size = icon.section('/', -3, -3);
        if (size == "scalable") {
            QVERIFY(icon.endsWith("/hicolor/scalable/apps/quorvel.svg"));
            continue;
        }
        QVERIFY2(icon.endsWith("/apps/quorvel.png"), qPrintable(icon));
        const QImage image(icon);
        QCOMPARE(QString("%1x%2").arg(image.width()).arg(image.height()), size);
        sizes << size;
    }
    for (const char *size : {"16x16", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"})
        QVERIFY2(sizes.contains(size), size);
}

void tst_launchers::folderWithoutPrograms()
{
    TestFolder folder;
    Workstation workstation;
    const ProgramRun run = workstation.launchers(folder.path());
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains("No program is in"));
    QVERIFY(workstation.entries().isEmpty());
}

QTEST_GUILESS_MAIN(tst_launchers)
#include "tst_launchers.moc"
