#include "kzrXML.h"

#include "Failure.h"
#include "Prompter.h"
#include "StorableText.h"

bool kzrXML::addXMLElement(pugi::xml_node objPNode, const QString &sElementName,
                           const QString &sElementText, const QString &sAttrName,
                           const QString &sAttrVal)
{
    pugi::xml_node element = objPNode.append_child(sElementName.toUtf8().constData());
    bool ok = bool(element);
    if (ok && !sElementText.isEmpty())
        ok = element.text().set(storableText(sElementText).toUtf8().constData());
    if (ok && !sAttrName.isEmpty())
        ok = element.append_attribute(sAttrName.toUtf8().constData())
                 .set_value(storableText(sAttrVal).toUtf8().constData());
    if (!ok) {
        m_prompter.message(QStringLiteral("Error: [AddXMLElement]: could not add element ") +
                               sElementName,
                           QStringLiteral("Error: %1").arg(FailureNumber::InvalidArgument),
                           Prompter::Icon::Critical);
    }
    return ok;
}

QString kzrXML::getElementAttrVal(pugi::xml_node objNode, const char *sNodeName,
                                  const char *sAttrName)
{
    const char *value = attributeValue(objNode.child(sNodeName), sNodeName, sAttrName);
    return value ? QString::fromUtf8(value) : QString();
}

const char *kzrXML::attributeValue(pugi::xml_node child, const char *sNodeName,
                                   const char *sAttrName)
{
    const pugi::xml_attribute attribute = child.attribute(sAttrName);
    if (attribute)
        return attribute.value();
    reportMissing(bool(child), sNodeName, sAttrName);
    return nullptr;
}

void kzrXML::reportMissing(bool hasChild, const char *sNodeName, const char *sAttrName)
{
    const QString what =
        hasChild ? QStringLiteral("element %1 has no attribute %2")
                       .arg(QLatin1String(sNodeName), QLatin1String(sAttrName))
                 : QStringLiteral("record has no element %1").arg(QLatin1String(sNodeName));
    m_prompter.message(QStringLiteral("XML error:  [getElementAttrVal]: ") + what,
                       QStringLiteral("Error %1").arg(FailureNumber::MissingNode),
                       Prompter::Icon::Critical);
}
