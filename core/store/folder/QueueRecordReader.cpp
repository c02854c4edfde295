#include "QueueRecordReader.h"

#include "TextForms.h"
#include "kzrXML.h"

#include <charconv>
#include <cstring>

namespace {
constexpr QByteArrayView names[QueueRecordReader::FieldCount] = {
    "FIRST_NAME", "LAST_NAME", "LOBBY_STATUS", "SERVICE",   "USER_ID",
    "TIME_IN",    "DATE_IN",   "TIME_SEEN",    "VISIT_KEY", "DESK"};

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool ascii(QByteArrayView text)
{
    for (const char c : text)
        if (uchar(c) >= 0x80)
            return false;
    return true;
}

QByteArrayView valueOf(pugi::xml_attribute attribute)
{
    return attribute ? QByteArrayView(attribute.value()) : QByteArrayView();
}
} // namespace

int QueueRecordReader::fieldNamed(QByteArrayView name)
{
    // The first letter spares comparing most names; names are short, so a plain loop beats a call.
    for (int f = 0; f < FieldCount; ++f) {
        const QByteArrayView known = names[f];
        if (name.size() != known.size() || name[0] != known[0])
            continue;
        qsizetype i = 1;
        while (i < name.size() && name[i] == known[i])
            ++i;
        if (i == name.size())
            return f;
    }
    return -1;
}

void QueueRecordReader::Values::noteChild(QByteArrayView name, QByteArrayView value)
{
    const int f = fieldNamed(name);
    if (f >= 0 && !child[f]) {
        child[f] = true;
        field[f] = value;
    }
}

QueueRecordReader::QueueRecordReader(pugi::xml_node record, Prompter &prompter)
    : m_values(valuesOf(record)), m_prompter(prompter)
{
}

QueueRecordReader::Values QueueRecordReader::valuesOf(pugi::xml_node record)
{
    Values values;
    values.id = valueOf(record.attribute("id"));
    for (pugi::xml_node child = record.first_child(); child; child = child.next_sibling())
        if (*child.name())
            values.noteChild(child.name(), valueOf(child.attribute("value")));
    return values;
}

QueueRecordReader::QueueRecordReader(const Values &values, Prompter &prompter)
    : m_values(values), m_prompter(prompter)
{
}

bool QueueRecordReader::idFrom(QByteArrayView text, int &id)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    if (!text.isEmpty() && text.front() == '+')
        text = text.sliced(1);
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, id);
    return error == std::errc() && stop == end && !text.isEmpty();
}

bool QueueRecordReader::id(int &value) const
{
    return !m_values.id.isNull() && idFrom(m_values.id, value);
}

QByteArrayView QueueRecordReader::raw(Field field)
{
    const QByteArrayView value = m_values.field[field];
    if (value.isNull())
        kzrXML(m_prompter).reportMissing(m_values.child[field], names[field].data());
    return value;
}

QString QueueRecordReader::text(Field field)
{
    return QString::fromUtf8(raw(field));
}

QString QueueRecordReader::quietText(Field field) const
{
    return QString::fromUtf8(m_values.field[field]);
}

Failure QueueRecordReader::typeMismatch(const char *element, QByteArrayView raw)
{
    return {FailureNumber::TypeMismatch, QStringLiteral("Type mismatch: %1 holds \"%2\"")
                                             .arg(QLatin1String(element), QString::fromUtf8(raw))};
}

bool QueueRecordReader::number(Field field, int &value, Failure &failure)
{
    const QByteArrayView text = raw(field);
    bool ok = false;
    if (ascii(text)) {
        // Blanks around, a sign, digits: as a number reads, without making text of it.
        qsizetype begin = 0, end = text.size();
        while (begin < end && blank(text[begin]))
            ++begin;
        while (end > begin && blank(text[end - 1]))
            --end;
        value = text.sliced(begin, end - begin).toInt(&ok);
    } else {
        value = QString::fromUtf8(text).trimmed().toInt(&ok);
    }
    if (!ok)
        failure = typeMismatch(names[field].data(), text);
    return ok;
}

template <typename Value>
bool QueueRecordReader::parsed(Field field, Value &value, Value (*parse)(QByteArrayView),
                               Failure &failure)
{
    const QByteArrayView text = raw(field);
    value = parse(text);
    if (!value.isValid())
        failure = typeMismatch(names[field].data(), text);
    return value.isValid();
}

bool QueueRecordReader::time(Field field, QTime &value, Failure &failure)
{
    return parsed(field, value, TextForms::parseQueueTimeUtf8, failure);
}

bool QueueRecordReader::date(Field field, QDate &value, Failure &failure)
{
    return parsed(field, value, TextForms::parseQueueDateUtf8, failure);
}
