#include "DesktopLaunchers.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
struct Program
{
    const char *executable;
    const char *name;
    const char *genericName;
    const char *comment;
};

const Program programs[] = {
    {"harbrin", "Quorvel Reception", "Lobby Reception",
     "Check customers in and watch the lobby queue"},
    {"quorvelClient", "Quorvel Client", "Lobby Queue Client",
     "Take and serve the customers waiting in the lobby"},
    {"quorvelBoard", "Quorvel Board", "Lobby Display", "Show the lobby queue on a display"},
};

const char *const IconName = "quorvel";
const char *const IconResources = ":/quorvel/icons";

QString entryFileName(const QString &executable)
{
    return QStringLiteral("quorvel-%1.desktop").arg(executable);
}

/// An Exec argument: quoted, with the characters the quoting reserves escaped, then escaped once
/// more as a desktop entry string; a percent sign would start a field code.
QString execArgument(const QString &path)
{
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString entryString(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return escaped;
}

bool writeFile(const QString &path, const QByteArray &bytes, QString &error)
{
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("Could not write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool removeFile(const QString &path, QStringList &removed, QString &error)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.remove()) {
        error = QStringLiteral("Could not remove %1: %2").arg(path, file.errorString());
        return false;
    }
    removed << path;
    return true;
}

/// The icon files below the theme folder, as "hicolor/48x48/apps/quorvel.png".
QStringList iconFiles()
{
    QStringList files;
    QDirIterator it(QLatin1String(IconResources), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(qstrlen(IconResources) + 1);
    files.sort();
    return files;
}
} // namespace

QString DesktopLaunchers::userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString DesktopLaunchers::systemDataFolder()
{
    return QStringLiteral("/usr/local/share");
}

QByteArray DesktopLaunchers::entryFor(const QString &programFolder, const QString &executable)
{
    const Program *program = nullptr;
    for (const Program &known : programs) {
        if (executable == QLatin1String(known.executable))
            program = &known;
    }
    if (!program)
        return {};
    const QString path = QDir(programFolder).filePath(executable);
    QString entry = QStringLiteral("[Desktop Entry]\n"
                                   "Type=Application\n"
                                   "Version=1.4\n");
    entry += QStringLiteral("Name=%1\n").arg(QLatin1String(program->name));
    entry += QStringLiteral("GenericName=%1\n").arg(QLatin1String(program->genericName));
    entry += QStringLiteral("Comment=%1\n").arg(QLatin1String(program->comment));
    entry += QStringLiteral("Exec=%1\n").arg(execArgument(path));
    entry += QStringLiteral("Path=%1\n").arg(entryString(programFolder));
    entry += QStringLiteral("Icon=%1\n").arg(QLatin1String(IconName));
    entry += QStringLiteral("Terminal=false\n"
                            "Categories=Office;\n");
    entry += QStringLiteral("StartupWMClass=%1\n").arg(executable);
    return entry.toUtf8();
}

bool DesktopLaunchers::install(const QString &programFolder, QStringList &written, QString &error)
{
    QStringList present;
    for (const Program &program : programs) {
        if (QFileInfo(QDir(programFolder).filePath(QLatin1String(program.executable)))
                .isExecutable())
            present << QLatin1String(program.executable);
    }
    if (present.isEmpty()) {
        error = QStringLiteral("No program is in %1; put them there first with cmake --install "
                               "BUILD --prefix %1.")
                    .arg(programFolder);
        return false;
    }
    QStringList removed;
    if (!remove(removed, error))
        return false;
    const QDir data(m_dataFolder);
    for (const QString &file : iconFiles()) {
        QFile icon(QLatin1String(IconResources) + QLatin1Char('/') + file);
        const QString target = data.filePath(QStringLiteral("icons/") + file);
        if (!icon.open(QIODevice::ReadOnly) || !writeFile(target, icon.readAll(), error))
            return false;
        written << target;
    }
    for (const QString &executable : std::as_const(present)) {
        const QString target =
            data.filePath(QStringLiteral("applications/") + entryFileName(executable));
        if (!writeFile(target, entryFor(programFolder, executable), error))
            return false;
        written << target;
    }
    return true;
}

bool DesktopLaunchers::remove(QStringList &removed, QString &error)
{
    const QDir data(m_dataFolder);
    for (const Program &program : programs) {
        if (!removeFile(data.filePath(QStringLiteral("applications/") +
                                      entryFileName(QLatin1String(program.executable))),
                        removed, error))
            return false;
    }
    for (const QString &file : iconFiles()) {
        if (!removeFile(data.filePath(QStringLiteral("icons/") + file), removed, error))
            return false;
    }
    // Folders made for these files go with them; rmdir leaves any that hold others' files.
    for (const QString &file : std::as_const(removed)) {
        for (QString folder = QFileInfo(file).path();
             folder.startsWith(m_dataFolder + QLatin1Char('/')) && QDir().rmdir(folder);
             folder = QFileInfo(folder).path()) {
        }
    }
    return true;
}
