/* The statistics of a date range computed straight through SQLite's C API, as a yardstick for
 * the report: SQL aggregates for the visits, the mean and longest wait and the overdue count, and
 * the waits and service times read sorted for the nearest-rank median and 90th percentile.
 *
 *   statistics_reference HISTORY.mdb hour|service|rep FROM TO MAXLIMIT
 *
 * FROM and TO are ISO dates. Prints one CSV line a group, figures as the report gives them. */
#include <sqlite3.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Seconds since midnight of an "HH:MM:SS" column. */
#define SECONDS(c) "(substr(" c ",1,2)*3600 + substr(" c ",4,2)*60 + substr(" c ",7,2))"

static int fail(sqlite3 *db)
{
    fprintf(stderr, "%s\n", sqlite3_errmsg(db));
    return 1;
}

static int run(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, NULL, NULL, NULL) == SQLITE_OK ? 0 : fail(db);
}

/* The values of each group, sorted; `rank` picks the nearest-rank percentile of each. */
struct Sorted
{
    double *median;
    double *p90;
};

static long nearestRank(long n, int percent)
{
    long rank = (percent * n + 99) / 100;
    return rank < 1 ? 0 : rank - 1;
}

static int sortedFigures(sqlite3 *db, const char *column, long groups, struct Sorted *out)
{
    char sql[200];
    snprintf(sql, sizeof sql, "SELECT grp, %s FROM visits ORDER BY grp, %s", column, column);
    sqlite3_stmt *query;
    if (sqlite3_prepare_v2(db, sql, -1, &query, NULL) != SQLITE_OK)
        return fail(db);
    long capacity = 1024, n = 0, group = -1;
    int *values = malloc(capacity * sizeof *values);
    sqlite3_value *current = NULL;
    int step;
    for (;;) {
        step = sqlite3_step(query);
        int same = step == SQLITE_ROW && current &&
                   sqlite3_value_type(current) == sqlite3_column_type(query, 0) &&
                   (sqlite3_column_type(query, 0) == SQLITE_TEXT
                        ? strcmp((const char *)sqlite3_value_text(current),
                                 (const char *)sqlite3_column_text(query, 0)) == 0
                        : sqlite3_value_int64(current) == sqlite3_column_int64(query, 0));
        if (!same && n > 0) {
            out->median[group] = values[nearestRank(n, 50)];
            out->p90[group] = values[nearestRank(n, 90)];
            n = 0;
        }
        if (step != SQLITE_ROW)
            break;
        if (!same) {
            sqlite3_value_free(current);
            current = sqlite3_value_dup(sqlite3_column_value(query, 0));
            if (++group >= groups)
                break;
        }
        if (n == capacity)
            values = realloc(values, (capacity *= 2) * sizeof *values);
        values[n++] = sqlite3_column_int(query, 1);
    }
    sqlite3_value_free(current);
    free(values);
    sqlite3_finalize(query);
    return step == SQLITE_DONE || step == SQLITE_ROW ? 0 : fail(db);
}

int main(int argc, char **argv)
{
    if (argc != 6) {
        fprintf(stderr, "usage: %s HISTORY hour|service|rep FROM TO MAXLIMIT\n", argv[0]);
        return 2;
    }
    const char *key = strcmp(argv[2], "hour") == 0      ? "CAST(substr(lobbyTimeIn,1,2) AS INTEGER)"
                      : strcmp(argv[2], "service") == 0 ? "serviceRequested"
                                                        : "servicedBy";
    sqlite3 *db;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK)
        return fail(db);
    if (run(db, "PRAGMA temp_store = MEMORY"))
        return 1;

    /* The complete visits of the range, once, with their group, wait and service time. */
    char sql[1200];
    snprintf(sql, sizeof sql,
             "CREATE TEMP TABLE visits AS SELECT grp, wait, service FROM (SELECT %s AS grp, "
             SECONDS("timeServiced") " - " SECONDS("lobbyTimeIn") " AS wait, "
             SECONDS("timeOut") " - " SECONDS("timeServiced") " AS service FROM history "
             "WHERE lobbyDateIn >= ?1 AND lobbyDateIn <= ?2 AND lobbyTimeIn IS NOT NULL AND "
             "timeServiced IS NOT NULL AND timeOut IS NOT NULL) WHERE wait >= 0 AND service >= 0",
             key);
    sqlite3_stmt *fill;
    if (sqlite3_prepare_v2(db, sql, -1, &fill, NULL) != SQLITE_OK)
        return fail(db);
    sqlite3_bind_text(fill, 1, argv[3], -1, SQLITE_STATIC);
    sqlite3_bind_text(fill, 2, argv[4], -1, SQLITE_STATIC);
    if (sqlite3_step(fill) != SQLITE_DONE)
        return fail(db);
    sqlite3_finalize(fill);

    sqlite3_stmt *groups;
    if (sqlite3_prepare_v2(db,
                           "SELECT grp, COUNT(*), AVG(wait), MAX(wait), SUM(wait >= ?1 * 60) "
                           "FROM visits GROUP BY grp ORDER BY grp",
                           -1, &groups, NULL) != SQLITE_OK)
        return fail(db);
    sqlite3_bind_double(groups, 1, atof(argv[5]));
    long count = 0;
    sqlite3_stmt *counting;
    if (sqlite3_prepare_v2(db, "SELECT COUNT(DISTINCT grp) FROM visits", -1, &counting, NULL) !=
            SQLITE_OK ||
        sqlite3_step(counting) != SQLITE_ROW)
        return fail(db);
    count = sqlite3_column_int64(counting, 0);
    sqlite3_finalize(counting);

    struct Sorted waits = {calloc(count + 1, sizeof(double)), calloc(count + 1, sizeof(double))};
    struct Sorted services = {calloc(count + 1, sizeof(double)), calloc(count + 1, sizeof(double))};
    if (sortedFigures(db, "wait", count, &waits) || sortedFigures(db, "service", count, &services))
        return 1;

    for (long g = 0; sqlite3_step(groups) == SQLITE_ROW; ++g) {
        const long visits = sqlite3_column_int64(groups, 1);
        char label[64];
        if (strcmp(argv[2], "hour") == 0)
            snprintf(label, sizeof label, "%02d:00", sqlite3_column_int(groups, 0));
        else if (strcmp(argv[2], "rep") == 0)
            snprintf(label, sizeof label, "User %d", sqlite3_column_int(groups, 0));
        else
            snprintf(label, sizeof label, "%s", (const char *)sqlite3_column_text(groups, 0));
        printf("%s,%ld,%.2f,%.2f,%.2f,%.2f,%.2f,%.1f%%\n", label, visits,
               sqlite3_column_double(groups, 2) / 60, waits.median[g] / 60, waits.p90[g] / 60,
               sqlite3_column_double(groups, 3) / 60, services.median[g] / 60,
               100.0 * sqlite3_column_int64(groups, 4) / visits);
    }
    sqlite3_finalize(groups);
    sqlite3_close(db);
    return 0;
}
