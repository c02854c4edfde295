#pragma once

#include <QList>
#include <QString>

/// The representatives' display names ("First Last") by user number, in the order added.
class RepNames
{
public:
    struct Entry
    {
        int userNumber;
        QString name;
    };

    void clear() { m_entries.clear(); }
    void add(int userNumber, const QString &name) { m_entries.append({userNumber, name}); }
    const QList<Entry> &entries() const { return m_entries; }

    /// The name of `userNumber`; empty text when it is not in the table.
    QString name(int userNumber) const;
    bool contains(int userNumber) const;

private:
    QList<Entry> m_entries;
};
