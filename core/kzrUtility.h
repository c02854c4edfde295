#pragma once

#include <QString>

class CoreContext;

/// The log line writer and the file check used at start-up.
class kzrUtility
{
public:
    explicit kzrUtility(const CoreContext &context) : m_context(context) {}

    /// Appends one line "M/d/yyyy h:mm:ss AP - message" to `logFilename`, opening and closing
    /// the file each time. A failure shows its box and the program goes on.
    void insertLogEntry(const QString &message, const QString &logFilename) const;

    /// True when `sFilePath` is a regular file whose name, in lower case, equals `sFilename`.
    static bool validateFileExists(const QString &sFilePath, const QString &sFilename);

private:
    const CoreContext &m_context;
};
