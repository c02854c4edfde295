#include "kzrUtility.h"

#include "CoreContext.h"
#include "TextForms.h"

#include <QFile>
#include <QFileInfo>

void kzrUtility::insertLogEntry(const QString &message, const QString &logFilename) const
{
    QFile file(logFilename);
    const QByteArray line = (TextForms::logStamp(m_context.clock().now()) + QStringLiteral(" - ") +
                             message + QStringLiteral("\r\n"))
                                .toUtf8();
    if (!file.open(QIODevice::Append) || file.write(line) != line.size()) {
        m_context.prompter().message(
            QStringLiteral("Error!  Could not open the log file for writing."),
            QStringLiteral("Error"), Prompter::Icon::Critical);
    }
}

bool kzrUtility::validateFileExists(const QString &sFilePath, const QString &sFilename)
{
    const QFileInfo info(sFilePath);
    if (!info.exists() || !info.isFile() || info.isHidden())
        return false;
    return info.fileName().toLower() == sFilename;
}
