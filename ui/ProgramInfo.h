#pragma once

#include <QString>

/// What a program says about itself on its splash and about windows.
struct ProgramInfo
{
    QString instanceName; // names the single-instance lock: the executable's name
    QString title;        // "Quorvel Harbrin"
    QString role;         // one line under the title: what the program is for
    QString version;      // "1.0.0"
    QString legalNotice;

    QString versionText() const { return QStringLiteral("Version ") + version; }
};
