/* The yardstick of command_bench and mix_bench: the file work of quorvelctl's queue commands
 * done the plainest way, straight on the bytes. A change takes flock on a file beside the
 * queue, reads the queue, writes the changed bytes into a new file, syncs it, renames it over
 * the queue and rewrites the change signal; a sign-out first inserts the history row through
 * SQLite's C API. "list" prints the same tab-separated lines as quorvelctl.
 *
 *   queue_floor FOLDER add FIRST LAST SERVICE | take ID USER | remove ID | complete ID USER | list
 *   queue_floor FOLDER mix SECONDS NAME     (check in, take, sign out, over and over; prints the
 *                                            changes made)
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

static char queuePath[4096], lockPath[4096], nextPath[4096], signalPath[4096], historyPath[4096],
    systemPath[4096];

/* Whether the representative `user` exists, as a take asks before it locks. */
static int userExists(const char *user)
{
    sqlite3 *db;
    sqlite3_stmt *query;
    if (sqlite3_open_v2(systemPath, &db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK)
        return 0;
    sqlite3_busy_timeout(db, 10000);
    sqlite3_prepare_v2(db, "SELECT firstName, lastName FROM users WHERE userNumber = ?", -1, &query,
                       NULL);
    sqlite3_bind_int64(query, 1, atol(user));
    int found = sqlite3_step(query) == SQLITE_ROW;
    sqlite3_finalize(query);
    sqlite3_close(db);
    return found;
}

static char *readQueue(size_t *size)
{
    int fd = open(queuePath, O_RDONLY);
    if (fd < 0)
        return NULL;
    size_t capacity = 1 << 16, filled = 0;
    char *bytes = malloc(capacity + 1);
    for (;;) {
        if (filled == capacity)
            bytes = realloc(bytes, (capacity *= 2) + 1);
        ssize_t got = read(fd, bytes + filled, capacity - filled);
        if (got <= 0)
            break;
        filled += (size_t)got;
    }
    close(fd);
    bytes[filled] = 0;
    *size = filled;
    return bytes;
}

/* Writes the parts in turn as the new queue, synced, renamed over it; then the change signal. */
static int writeQueue(const char *parts[], const size_t sizes[], int count)
{
    int fd = open(nextPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return 0;
    for (int i = 0; i < count; ++i)
        if (write(fd, parts[i], sizes[i]) != (ssize_t)sizes[i])
            return close(fd), 0;
    if (fdatasync(fd) != 0 || close(fd) != 0 || rename(nextPath, queuePath) != 0)
        return 0;
    static const char line[] = "*** Do not modify or remove this file!  Used by Quorvel ***\r\n";
    int signal = open(signalPath, O_WRONLY);
    if (signal >= 0) {
        pwrite(signal, line, sizeof line - 1, 0);
        close(signal);
    }
    return 1;
}

/* The record with id `id`: where it starts and ends in `bytes`. */
static int findRecord(const char *bytes, long id, const char **begin, const char **end)
{
    char tag[64];
    snprintf(tag, sizeof tag, "<QUEUE_REC id=\"%ld\">", id);
    *begin = strstr(bytes, tag);
    if (!*begin)
        return 0;
    *end = strstr(*begin, "</QUEUE_REC>");
    if (!*end)
        return 0;
    *end += strlen("</QUEUE_REC>");
    return 1;
}

/* The value of child `name` of the record starting at `record`, copied into `out`. */
static void field(const char *record, const char *name, char *out, size_t room)
{
    char tag[64];
    snprintf(tag, sizeof tag, "<%s value=\"", name);
    const char *at = strstr(record, tag);
    size_t n = 0;
    if (at)
        for (at += strlen(tag); *at && *at != '"' && n + 1 < room; ++at)
            out[n++] = *at;
    out[n] = 0;
}

static void clockTexts(char *date, char *time12, char *iso, char *time24, long *secondOfDay)
{
    time_t now = time(NULL);
    struct tm t;
    localtime_r(&now, &t);
    int hour = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
    sprintf(date, "%d/%d/%d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
    sprintf(time12, "%d:%02d:%02d %s", hour, t.tm_min, t.tm_sec, t.tm_hour < 12 ? "AM" : "PM");
    sprintf(iso, "%04d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    sprintf(time24, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    *secondOfDay = t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec;
}

static int record(char *out, size_t room, long id, const char *first, const char *last,
                  const char *status, const char *service, const char *user, const char *timeIn,
                  const char *dateIn, const char *seen)
{
    return snprintf(out, room,
                    "<QUEUE_REC id=\"%ld\"><FIRST_NAME value=\"%s\"/><LAST_NAME value=\"%s\"/>"
                    "<LOBBY_STATUS value=\"%s\"/><SERVICE value=\"%s\"/><USER_ID value=\"%s\"/>"
                    "<TIME_IN value=\"%s\"/><DATE_IN value=\"%s\"/><TIME_SEEN value=\"%s\"/>"
                    "</QUEUE_REC>",
                    id, first, last, status, service, user, timeIn, dateIn, seen);
}

static long add(const char *first, const char *last, const char *service)
{
    size_t size;
    char *bytes = readQueue(&size), date[32], time12[32], iso[32], time24[32], text[4096];
    long second;
    clockTexts(date, time12, iso, time24, &second);
    const char *begin, *end, *close = bytes ? strstr(bytes, "</LOBBY>") : NULL;
    if (!close)
        return free(bytes), 0;
    long id = 86400 + second;
    while (findRecord(bytes, id, &begin, &end))
        id = id == 172799 ? 86400 : id + 1;
    int length = record(text, sizeof text, id, first, last, "0", service, "", time12, date, "");
    const char *parts[] = {bytes, text, close};
    const size_t sizes[] = {(size_t)(close - bytes), (size_t)length, strlen(close)};
    long done = writeQueue(parts, sizes, 3) ? id : 0;
    free(bytes);
    return done;
}

/* Takes (status 1, the user, the time seen) or removes the record `id`; a sign-out first
 * writes its history row. */
static int change(long id, const char *user, int take, int signOut)
{
    size_t size;
    char *bytes = readQueue(&size), date[32], time12[32], iso[32], time24[32], text[4096];
    long second;
    const char *begin, *end;
    if (!bytes || !findRecord(bytes, id, &begin, &end))
        return free(bytes), 0;
    clockTexts(date, time12, iso, time24, &second);
    char first[256], last[256], service[256], timeIn[32], dateIn[32], seen[32];
    field(begin, "FIRST_NAME", first, sizeof first);
    field(begin, "LAST_NAME", last, sizeof last);
    field(begin, "SERVICE", service, sizeof service);
    field(begin, "TIME_IN", timeIn, sizeof timeIn);
    field(begin, "DATE_IN", dateIn, sizeof dateIn);
    field(begin, "TIME_SEEN", seen, sizeof seen);
    int length = 0;
    if (take)
        length =
            record(text, sizeof text, id, first, last, "1", service, user, timeIn, dateIn, time12);
    if (signOut) {
        sqlite3 *db;
        sqlite3_stmt *insert;
        if (sqlite3_open_v2(historyPath, &db, SQLITE_OPEN_READWRITE, NULL) != SQLITE_OK)
            return free(bytes), 0;
        sqlite3_busy_timeout(db, 10000);
        sqlite3_prepare_v2(db,
                           "INSERT INTO history (firstName, lastName, serviceRequested, timeOut, "
                           "servicedBy, lobbyTimeIn, lobbyDateIn, timeServiced, serviceTime) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, 0)",
                           -1, &insert, NULL);
        const char *values[] = {first, last, service, time24, user, timeIn, iso, seen};
        for (int i = 0; i < 8; ++i)
            sqlite3_bind_text(insert, i + 1, values[i], -1, SQLITE_STATIC);
        int inserted = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_finalize(insert);
        sqlite3_close(db);
        if (!inserted)
            return free(bytes), 0;
    }
    const char *parts[] = {bytes, text, end};
    const size_t sizes[] = {(size_t)(begin - bytes), (size_t)length, strlen(end)};
    int done = writeQueue(parts, sizes, 3);
    free(bytes);
    return done;
}

static int list(void)
{
    size_t size;
    char *bytes = readQueue(&size);
    if (!bytes)
        return 1;
    static char out[1 << 20];
    size_t used = 0;
    static const char *names[] = {"LOBBY_STATUS", "FIRST_NAME", "LAST_NAME", "SERVICE",
                                  "DATE_IN",      "TIME_IN",    "USER_ID",   "TIME_SEEN"};
    for (const char *at = strstr(bytes, "<QUEUE_REC id=\""); at;
         at = strstr(at + 1, "<QUEUE_REC id=\"")) {
        if (used > sizeof out - 4096) {
            fwrite(out, 1, used, stdout);
            used = 0;
        }
        used += (size_t)sprintf(out + used, "%ld", strtol(at + 15, NULL, 10));
        for (int i = 0; i < 8; ++i) {
            char value[256];
            field(at, names[i], value, sizeof value);
            used += (size_t)sprintf(out + used, "\t%s", i == 6 && !*value ? "0" : value);
        }
        out[used++] = '\n';
    }
    fwrite(out, 1, used, stdout);
    free(bytes);
    return 0;
}

/* Holds flock on the file beside the queue while `body` runs. */
#define LOCKED(body)                                                                               \
    do {                                                                                           \
        int lock = open(lockPath, O_RDWR | O_CREAT, 0644);                                         \
        flock(lock, LOCK_EX);                                                                      \
        body;                                                                                      \
        close(lock);                                                                               \
    } while (0)

static double seconds(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    snprintf(queuePath, sizeof queuePath, "%s/data/lobbyData.xml", argv[1]);
    snprintf(lockPath, sizeof lockPath, "%s/data/lobbyData.xml.flock", argv[1]);
    snprintf(nextPath, sizeof nextPath, "%s/data/lobbyData.xml.next-%d", argv[1], (int)getpid());
    snprintf(signalPath, sizeof signalPath, "%s/data/watchdog.dat", argv[1]);
    snprintf(historyPath, sizeof historyPath, "%s/data/history.mdb", argv[1]);
    snprintf(systemPath, sizeof systemPath, "%s/data/systemData.mdb", argv[1]);
    const char *command = argv[2];
    int ok = 0;
    if (!strcmp(command, "add") && argc == 6) {
        long id = 0;
        LOCKED(id = add(argv[3], argv[4], argv[5]));
        if (id)
            printf("%ld\n", id);
        ok = id != 0;
    } else if ((!strcmp(command, "take") || !strcmp(command, "complete")) && argc == 5) {
        int take = !strcmp(command, "take");
        if (take && !userExists(argv[4]))
            return 3;
        LOCKED(ok = change(atol(argv[3]), argv[4], take, !take));
    } else if (!strcmp(command, "remove") && argc == 4) {
        LOCKED(ok = change(atol(argv[3]), "", 0, 0));
    } else if (!strcmp(command, "list") && argc == 3) {
        return list();
    } else if (!strcmp(command, "mix") && argc == 5) {
        const double end = seconds() + atof(argv[3]);
        long changes = 0;
        for (long round = 1; seconds() < end; ++round) {
            char last[64];
            long id = 0;
            snprintf(last, sizeof last, "R%ld", round);
            LOCKED(id = add(argv[4], last, "Taxes"));
            if (!id)
                return 1;
            ok = userExists("1");
            if (ok)
                LOCKED(ok = change(id, "1", 1, 0));
            if (ok)
                LOCKED(ok = change(id, "1", 0, 1));
            if (!ok)
                return 1;
            changes += 3;
        }
        printf("%ld\n", changes);
        return 0;
    } else {
        return 2;
    }
    return ok ? 0 : 1;
}
