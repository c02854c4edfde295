#include "ProgramFolder.h"

#include "HistoryColumns.h"
#include "DataFormat.h"
#include "Database.h"
#include "IniFile.h"
#include "Prompter.h"
#include "QueueDocument.h"
#include "QueueRecord.h"
#include "TextForms.h"
#include "VisitKey.h"
#include "kzrXML.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

// The help page is a resource of this static library: without this call the linker drops it
// and every new folder gets an empty page. It cannot stand inside a namespace.
static void initAssets()
{
    Q_INIT_RESOURCE(assets);
}

namespace ProgramFolder {

namespace {
const char *const historySchema[] = {
    "CREATE TABLE history (id INTEGER PRIMARY KEY AUTOINCREMENT, firstName TEXT, lastName TEXT, "
    "serviceRequested TEXT, lobbyDateIn TEXT, lobbyTimeIn TEXT, timeServiced TEXT, timeOut TEXT, "
    "servicedBy INTEGER, serviceTime INTEGER, desk TEXT)",
    "CREATE INDEX history_lobbyDateIn ON history (lobbyDateIn, lobbyTimeIn)",
};

const char *const systemSchema[] = {
    "CREATE TABLE users (userNumber INTEGER PRIMARY KEY AUTOINCREMENT, firstName TEXT, "
    "lastName TEXT, department TEXT, username TEXT, status INTEGER)",
    "CREATE INDEX users_userName ON users (userName)",
    "CREATE TABLE services (id INTEGER PRIMARY KEY AUTOINCREMENT, serviceName TEXT, "
    "status INTEGER)",
    "CREATE TABLE events (eventID INTEGER PRIMARY KEY AUTOINCREMENT, userNumber INTEGER, "
    "eventDate TEXT, eventTime TEXT, event TEXT, eventAlarm INTEGER)",
    "CREATE INDEX events_user_date ON events (userNumber, eventDate)",
};

template <size_t N>
bool createDatabase(const QString &path, const char *const (&schema)[N], QString &error)
{
    Database db(path, Database::Mode::Create);
    if (!db.open()) {
        error = db.failure().description;
        return false;
    }
    for (const char *statement : schema) {
        if (!db.exec(QString::fromLatin1(statement))) {
            error = db.failure().description;
            return false;
        }
    }
    return true;
}

bool writeFile(const QString &path, const QByteArray &bytes, QString &error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("Could not write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

QByteArray resource(const QString &name)
{
    initAssets();
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Building our own records reports nothing: every child is added.
class SilentPrompter : public Prompter
{
public:
    void message(const QString &, const QString &, Icon) override {}
    bool ask(const QString &, const QString &, Icon) override { return false; }
};

const char *const dataFiles[] = {"data/lobbyData.xml", "data/history.mdb",   "data/systemData.mdb",
                                 "data/format.ini",    "system/history.mdb", "vedez.ini"};
} // namespace

bool createHistoryDatabase(const QString &path, QString &error)
{
    // The first version's table, then what was added since: one way to every history table.
    Failure failure;
    if (!createDatabase(path, historySchema, error))
        return false;
    if (!HistoryColumns::addMissing(path, failure)) {
        error = failure.description;
        return false;
    }
    return true;
}

QByteArray chimeWav()
{
    constexpr int rate = 22050;
    constexpr double noteSeconds = 0.45;
    const double notes[] = {880.0, 659.25}; // a falling two-tone chime
    QByteArray samples;
    for (double frequency : notes) {
        const int count = int(rate * noteSeconds);
        for (int i = 0; i < count; ++i) {
            const double t = double(i) / rate;
            const double envelope = std::exp(-4.0 * t) * std::min(1.0, i / 200.0);
            const double value = envelope * (0.7 * std::sin(2 * M_PI * frequency * t) +
                                             0.3 * std::sin(4 * M_PI * frequency * t));
            const qint16 sample = qToLittleEndian(qint16(value * 12000));
            samples.append(reinterpret_cast<const char *>(&sample), 2);
        }
    }
    QByteArray wav;
    auto u32 = [&wav](quint32 v) {
        v = qToLittleEndian(v);
        wav.append(reinterpret_cast<const char *>(&v), 4);
    };
    auto u16 = [&wav](quint16 v) {
        v = qToLittleEndian(v);
        wav.append(reinterpret_cast<const char *>(&v), 2);
    };
    wav.append("RIFF");
    u32(quint32(36 + samples.size()));
    wav.append("WAVEfmt ");
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    wav.append("data");
    u32(quint32(samples.size()));
    wav.append(samples);
    return wav;
}

bool create(const QString &folder, QString &error)
{
    const QDir dir(folder);
    for (const char *name : dataFiles) {
        if (QFile::exists(dir.filePath(QLatin1String(name)))) {
            error = QStringLiteral("%1 already holds data (%2); nothing was changed.")
                        .arg(folder, QLatin1String(name));
            return false;
        }
    }
    for (const char *sub : {"data/archive", "data/desks", "export"}) {
        if (!dir.mkpath(QLatin1String(sub))) {
            error = QStringLiteral("Could not create %1.").arg(dir.filePath(QLatin1String(sub)));
            return false;
        }
    }
    return writeFile(dir.filePath(QStringLiteral("data/lobbyData.xml")),
                     QByteArrayLiteral("<?xml version=\"1.0\"?>\r\n<LOBBY></LOBBY>\r\n"), error) &&
           createHistoryDatabase(dir.filePath(QStringLiteral("data/history.mdb")), error) &&
           createDatabase(dir.filePath(QStringLiteral("data/systemData.mdb")), systemSchema,
                          error) &&
           DataFormat::recordNew(dir.filePath(QStringLiteral("data")), error) &&
           refreshInstalledFiles(folder, error) &&
           IniFile::writeString(dir.filePath(QStringLiteral("vedez.ini")), QStringLiteral("time"),
                                QStringLiteral("MaxLimit"), QStringLiteral("10"));
}

bool refreshInstalledFiles(const QString &folder, QString &error)
{
    const QDir dir(folder);
    for (const char *sub : {"system", "media", "help"}) {
        if (!dir.mkpath(QLatin1String(sub))) {
            error = QStringLiteral("Could not create %1.").arg(dir.filePath(QLatin1String(sub)));
            return false;
        }
    }
    const QByteArray help = resource(QStringLiteral(":/quorvel/help/default.htm"));
    if (help.isEmpty()) {
        error = QStringLiteral("The help page is missing from this build.");
        return false;
    }
    // The template is made beside and renamed into place, so an archive running meanwhile
    // copies either the old one or the new one, whole.
    const QString templatePath = dir.filePath(QStringLiteral("system/history.mdb"));
    const QString fresh = templatePath + QStringLiteral(".new");
    QFile::remove(fresh);
    if (!createHistoryDatabase(fresh, error))
        return false;
    if (::rename(QFile::encodeName(fresh).constData(),
                 QFile::encodeName(templatePath).constData()) != 0) {
        error = QStringLiteral("Could not replace %1: %2")
                    .arg(templatePath, QString::fromLocal8Bit(std::strerror(errno)));
        QFile::remove(fresh);
        return false;
    }
    return writeFile(dir.filePath(QStringLiteral("media/chimes.wav")), chimeWav(), error) &&
           writeFile(dir.filePath(QStringLiteral("help/default.htm")), help, error);
}

bool addDemoData(const QString &folder, const QDateTime &now, QString &error)
{
    const QDir dir(folder);
    {
        Database db(dir.filePath(QStringLiteral("data/systemData.mdb")));
        const QVariantList users[] = {
            {"Dana", "Whitfield", "dana", 1},
            {"Marco", "Ruiz", "marco", 1},
            {"Priya", "Nair", "priya", 1},
            {"Tom", "Osei", "tom", 0},
        };
        if (!db.open()) {
            error = db.failure().description;
            return false;
        }
        for (const QVariantList &user : users) {
            if (!db.exec(QStringLiteral("INSERT INTO users (firstName, lastName, department, "
                                        "username, status) VALUES (?, ?, '', ?, ?)"),
                         user)) {
                error = db.failure().description;
                return false;
            }
        }
        for (const char *service : {"Benefits", "Licences", "Permits", "Taxes"}) {
            if (!db.exec(QStringLiteral("INSERT INTO services (serviceName, status) VALUES (?, 1)"),
                         {QString::fromLatin1(service)})) {
                error = db.failure().description;
                return false;
            }
        }
    }
    {
        Database db(dir.filePath(QStringLiteral("data/history.mdb")));
        if (!db.open() || !db.exec(QStringLiteral("BEGIN"))) {
            error = db.failure().description;
            return false;
        }
        const char *const names[][2] = {{"Ann", "Lee"},       {"Bob", "O'Neil"}, {"Chen", "Wu"},
                                        {"Dora", "Haas"},     {"Eli", "Brandt"}, {"Fay", "Moreau"},
                                        {"Gus", "Lindqvist"}, {"Hana", "Sato"}};
        const char *const services[] = {"Taxes", "Permits", "Licences", "Benefits"};
        const auto insert = [&](int i, const QDate &day, const QTime &in, const QTime &seen,
                                const QTime &out, int rep) {
            return db.exec(
                QStringLiteral("INSERT INTO history (firstName, lastName, serviceRequested, "
                               "lobbyDateIn, lobbyTimeIn, timeServiced, timeOut, servicedBy, "
                               "serviceTime) VALUES (?,?,?,?,?,?,?,?,?)"),
                {QString::fromLatin1(names[i % 8][0]), QString::fromLatin1(names[i % 8][1]),
                 QString::fromLatin1(services[i % 4]), dbValue(day), dbValue(in), dbValue(seen),
                 dbValue(out), rep, TextForms::minuteBoundaries(seen, out)});
        };

        // A day of history: one visit every 40 minutes from 8:00 until now (or all day).
        const QDate day = now.time() < QTime(9, 0) ? now.date().addDays(-1) : now.date();
        for (int i = 0; i < 8; ++i) {
            const QTime in = QTime(8, 0).addSecs(i * 40 * 60 + 17 * i);
            const QTime seen = in.addSecs(6 * 60 + 11);
            const QTime out = seen.addSecs((9 + 3 * (i % 4)) * 60);
            if (day == now.date() && out > now.time())
                break;
            if (!insert(i, day, in, seen, out, 1 + i % 3)) {
                error = db.failure().description;
                return false;
            }
        }

        // Four weeks of working days before it, so that the statistics have something to say:
        // the lobby fills towards late morning and after lunch, waits grow with it, services
        // take their own time, and Tom served in the first two weeks before he left.
        const int waitByHour[] = {3, 5, 8, 12, 9, 11, 9, 6, 4}; // minutes, from 8:00
        const int serviceMinutes[] = {14, 9, 7, 18};
        for (int d = 28; d >= 1; --d) {
            const QDate past = day.addDays(-d);
            if (past.dayOfWeek() > 5)
                continue;
            const int visits = 18 + d * 7 % 9;
            for (int i = 0; i < visits; ++i) {
                const int n = i + d; // the visitor, service and representative
                const QTime in =
                    QTime(8, 0).addSecs(i * 510 * 60 / visits + (i * 37 + d * 11) % 13 * 60);
                const int wait =
                    (waitByHour[std::min(in.hour() - 8, 8)] + (i * 53 + d * 29) % 7 - 3) * 60 +
                    i * 17 % 60;
                const QTime seen = in.addSecs(std::max(wait, 20));
                const QTime out =
                    seen.addSecs((serviceMinutes[n % 4] + (i * 31 + d) % 5 - 2) * 60 + d * 7 % 60);
                const int reps = d > 14 ? 4 : 3;
                if (!insert(n, past, in, seen, out, 1 + n % reps)) {
                    error = db.failure().description;
                    return false;
                }
            }
        }
        if (!db.exec(QStringLiteral("COMMIT"))) {
            error = db.failure().description;
            return false;
        }
    }

    // Waiting customers (the first long overdue) and one in service with the first representative.
    struct Waiting
    {
        const char *first, *last, *service;
        int minutesAgo;
        int status;
    };
    const Waiting waiting[] = {{"Ivy", "Kowalski", "Taxes", 25, 0},
                               {"Jon", "Baptiste", "Permits", 12, 1},
                               {"Kai", "Fernández", "Licences", 6, 0},
                               {"Lena", "Vogel", "Benefits", 2, 0}};
    SilentPrompter silent;
    kzrXML xml(silent);
    QueueDocument doc;
    const QString queuePath = dir.filePath(QStringLiteral("data/lobbyData.xml"));
    doc.load(queuePath);
    for (const Waiting &w : waiting) {
        const QDateTime in = now.addSecs(-60 * w.minutesAgo);
        const int id = 86400 + in.time().msecsSinceStartOfDay() / 1000;
        pugi::xml_document scratch;
        const QueueRecordTexts texts{QString::fromUtf8(w.first),
                                     QString::fromUtf8(w.last),
                                     QString::number(w.status),
                                     QString::fromUtf8(w.service),
                                     w.status ? QStringLiteral("1") : QString(),
                                     TextForms::queueTime(in.time()),
                                     TextForms::queueDate(in.date()),
                                     w.status ? TextForms::queueTime(in.time().addSecs(300))
                                              : QString(),
                                     VisitKey::make()};
        QueueDocument::buildRecord(scratch, id, texts, xml);
        doc.append(scratch);
    }
    Failure failure;
    if (!doc.save(queuePath, failure)) {
        error = failure.description;
        return false;
    }
    return true;
}

} // namespace ProgramFolder
