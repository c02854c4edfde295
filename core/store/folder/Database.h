#pragma once

#include "Failure.h"
#include "QueueLock.h"
#include "VisitColumns.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <optional>

/// One database connection for one operation: opened on an existing file only, with a busy
/// timeout, closed and removed when it goes out of scope. Every value is bound, never
/// concatenated into a statement.
///
/// SQLite's own locks do not reach across every share, so a connection that may write holds
/// the queue lock of the data folder it lies in from open to close: writers never meet. A
/// read-only connection takes no lock; where it meets a database half-written by another
/// workstation it tries again rather than fail.
class Database
{
public:
    enum class Mode
    {
        ExistingOnly, // an existing file, read and written under the queue lock
        Create,       // a new database, made before any other instance can see it
        ReadOnly      // an existing file, never written, not even to recover a crashed write
    };

    explicit Database(const QString &path, Mode mode = Mode::ExistingOnly);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    /// False (with `failure()` set) when the file is missing or cannot be opened.
    bool open();

    /// A statement prepared on this connection; check `failure()` when `prepare` fails.
    QSqlQuery prepare(const QString &statement);

    /// Prepares, binds `values` in order and runs; false with `failure()` set on error.
    bool exec(QSqlQuery &query);
    bool exec(const QString &statement, const QVariantList &values = {});
    /// The same, leaving the statement's rows and counts in `query`.
    bool exec(QSqlQuery &query, const QString &statement, const QVariantList &values);

    QSqlDatabase &connection() { return m_db; }
    const Failure &failure() const { return m_failure; }

    /// Records the error of `query` (or of the connection) as this operation's failure.
    void setFailureFrom(const QSqlQuery &query);

    /// For a read through the connection's own SQLite handle that failed with `failure`: records
    /// it and, where the file was half-written by another workstation, waits `pause` (longer
    /// each time, starting at 0) and says whether to try again.
    bool retryRead(const Failure &failure, int &pause);

    /// How long a statement waits for another instance's lock before it fails: 10 s, which
    /// tests shorten. Takes effect for connections opened afterwards.
    static void setBusyTimeout(int milliseconds);
    static int busyTimeout();

private:
    /// For a read-only connection that met a file half-written by another workstation: waits
    /// `pause` (longer each time) and says whether to try again.
    bool waitForWholeFile(int &pause);
    /// Lets a connection that may write roll back what a writer that crashed left in the file,
    /// under the queue lock, so a reader is not refused for ever.
    void recoverCrashedWrite();

    std::optional<QueueLock> m_lock;
    QString m_path;
    Mode m_mode;
    QString m_name;
    QSqlDatabase m_db;
    Failure m_failure;
};
