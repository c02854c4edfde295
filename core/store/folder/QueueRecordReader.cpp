#include "QueueRecordReader.h"

#include "TextForms.h"
#include "kzrXML.h"

#include <cstring>

namespace {
constexpr const char *names[QueueRecordReader::FieldCount] = {
    "FIRST_NAME", "LAST_NAME", "LOBBY_STATUS", "SERVICE", "USER_ID",
    "TIME_IN",    "DATE_IN",   "TIME_SEEN",    "VISIT_KEY", "DESK"};

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool ascii(const char *text)
{
    for (; *text; ++text)
        if (uchar(*text) >= 0x80)
            return false;
    return true;
}
} // namespace

QueueRecordReader::QueueRecordReader(pugi::xml_node record, Prompter &prompter)
    : m_prompter(prompter)
{
    // The first child of each name counts, as a look-up by name finds it.
    for (pugi::xml_node child = record.first_child(); child; child = child.next_sibling()) {
        const char *name = child.name();
        for (int field = 0; field < FieldCount; ++field) {
            if (name[0] == names[field][0] && std::strcmp(name, names[field]) == 0) {
                if (!m_children[field])
                    m_children[field] = child;
                break;
            }
        }
    }
}

const char *QueueRecordReader::raw(Field field)
{
    return kzrXML(m_prompter).attributeValue(m_children[field], names[field]);
}

QString QueueRecordReader::text(Field field)
{
    const char *value = raw(field);
    return value ? QString::fromUtf8(value) : QString();
}

const char *QueueRecordReader::quietRaw(Field field) const
{
    return m_children[field].attribute("value").value();
}

QString QueueRecordReader::quietText(Field field) const
{
    return QString::fromUtf8(quietRaw(field));
}

Failure QueueRecordReader::typeMismatch(const char *element, const char *raw)
{
    return {FailureNumber::TypeMismatch,
            QStringLiteral("Type mismatch: %1 holds \"%2\"")
                .arg(QLatin1String(element), QString::fromUtf8(raw ? raw : ""))};
}

bool QueueRecordReader::number(Field field, int &value, Failure &failure)
{
    const char *text = raw(field);
    bool ok = false;
    if (text && ascii(text)) {
        // Blanks around, a sign, digits: as a number reads, without making text of it.
        const char *begin = text, *end = text + std::strlen(text);
        while (begin < end && blank(*begin))
            ++begin;
        while (end > begin && blank(end[-1]))
            --end;
        value = QByteArrayView(begin, end - begin).toInt(&ok);
    } else {
        value = QString::fromUtf8(text ? text : "").trimmed().toInt(&ok);
    }
    if (!ok)
        failure = typeMismatch(names[field], text);
    return ok;
}

template <typename Value>
bool QueueRecordReader::parsed(Field field, Value &value, Value (*parse)(QByteArrayView),
                               Failure &failure)
{
    const char *text = raw(field);
    value = parse(text ? text : "");
    if (!value.isValid())
        failure = typeMismatch(names[field], text);
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
