#pragma once

#include "Failure.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QTime>

#include <pugixml.hpp>

class Prompter;

/// Reads the fields of one queue record from the file's UTF-8, visiting its children once.
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

    /// A record as the file holds it, from the parser's tree or from a scan of the bytes alike.
    struct Values
    {
        QByteArrayView id;                // the record's id attribute; null when it has none
        QByteArrayView field[FieldCount]; // the first such child's value; null when missing
        bool child[FieldCount] = {};      // whether the record has such a child at all

        /// Notes the child `name` with the value `value` (null for none); the first of each
        /// name counts, as a look-up by name finds it.
        void noteChild(QByteArrayView name, QByteArrayView value);
    };

    QueueRecordReader(pugi::xml_node record, Prompter &prompter);
    QueueRecordReader(const Values &values, Prompter &prompter);

    static Values valuesOf(pugi::xml_node record);

    /// The record's id; false when it has none or it is not a number.
    bool id(int &value) const;
    QByteArrayView rawId() const { return m_values.id; }

    /// The field's value as the file holds it; null after reporting it missing.
    QByteArrayView raw(Field field);
    /// The field's value as text; empty after reporting it missing.
    QString text(Field field);
    /// The value when there is one, read quietly (fields that records written earlier lack).
    QString quietText(Field field) const;
    QByteArrayView quietRaw(Field field) const { return m_values.field[field]; }

    bool number(Field field, int &value, Failure &failure);
    bool time(Field field, QTime &value, Failure &failure);
    bool date(Field field, QDate &value, Failure &failure);

    /// The failure of a value `raw` (UTF-8; null for none) of `element` that does not convert.
    static Failure typeMismatch(const char *element, QByteArrayView raw);
    /// The field a child named `name` holds; -1 for none.
    static int fieldNamed(QByteArrayView name);
    /// The id `text` as a 32-bit number: digits with blanks around them, as a number reads.
    static bool idFrom(QByteArrayView text, int &id);

private:
    template <typename Value>
    bool parsed(Field field, Value &value, Value (*parse)(QByteArrayView), Failure &failure);

    Values m_values;
    Prompter &m_prompter;
};
