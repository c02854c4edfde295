#include "ProgramVersion.h"

#include "DataFormat.h"

#include <cstdio>
#include <cstring>

namespace ProgramVersion {

QString number()
{
    return QStringLiteral(QUORVEL_VERSION);
}

QString text(const QString &program)
{
    return QStringLiteral("%1 (Quorvel) %2, data format %3\n")
        .arg(program, number())
        .arg(DataFormat::Current);
}

bool isAsked(int argc, char *argv[])
{
    return argc == 2 && std::strcmp(argv[1], "--version") == 0;
}

int print(const QString &program)
{
    std::fputs(qUtf8Printable(text(program)), stdout);
    return 0;
}

} // namespace ProgramVersion
