#pragma once

#include "Failure.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <pugixml.hpp>

class Prompter;

/// Reads the fields of one queue record from the parser's UTF-8, visiting its children once.
/// Text is made only of the fields a caller asks for as text; numbers, dates and times are read
/// where they lie. A missing field is reported through the prompter, as every queue read
/// reports it; a value that does not convert is reported through `failure`.
class QueueRecordReader
{
public:
    enum Field
    {
        FirstName,
        LastName,
        LobbyStatus,
        Service,
        UserId,
        TimeIn,
        DateIn,
        TimeSeen,
        VisitKey,
        Desk,
        FieldCount
    };

    QueueRecordReader(pugi::xml_node record, Prompter &prompter);

    /// The field's value as the file holds it; null after reporting it missing.
    const char *raw(Field field);
    /// The field's value as text; empty after reporting it missing.
    QString text(Field field);
    /// The value when there is one, read quietly (fields that records written earlier lack).
    QString quietText(Field field) const;
    const char *quietRaw(Field field) const;

    bool number(Field field, int &value, Failure &failure);
    bool time(Field field, QTime &value, Failure &failure);
    bool date(Field field, QDate &value, Failure &failure);

    /// The failure of a value `raw` (UTF-8; null for none) of `element` that does not convert.
    static Failure typeMismatch(const char *element, const char *raw);

private:
    template <typename Value>
    bool parsed(Field field, Value &value, Value (*parse)(QByteArrayView), Failure &failure);

    pugi::xml_node m_children[FieldCount];
    Prompter &m_prompter;
};
