#pragma once

#include <QString>

#include <pugixml.hpp>

class Prompter;

/// The two element operations the queue records are built and read with.
class kzrXML
{
public:
    explicit kzrXML(Prompter &prompter) : m_prompter(prompter) {}

    /// Appends element `sElementName` to `objPNode`, with text `sElementText` and attribute
    /// `sAttrName`=`sAttrVal` when those are not empty. False after a reported failure.
    bool addXMLElement(pugi::xml_node objPNode, const QString &sElementName,
                       const QString &sElementText = {}, const QString &sAttrName = {},
                       const QString &sAttrVal = {});

    /// The attribute `sAttrName` of the first child `sNodeName` of `objNode`; empty text after
    /// a reported failure (no such child or attribute).
    QString getElementAttrVal(pugi::xml_node objNode, const char *sNodeName,
                              const char *sAttrName = "value");

    /// The same for the child `child` (found by its name `sNodeName`, or null), as the parser
    /// holds it (UTF-8); null after a reported failure.
    const char *attributeValue(pugi::xml_node child, const char *sNodeName,
                               const char *sAttrName = "value");

    /// Reports that the record lacks the child `sNodeName` (`hasChild` false) or that child's
    /// attribute `sAttrName`.
    void reportMissing(bool hasChild, const char *sNodeName, const char *sAttrName = "value");

private:
    Prompter &m_prompter;
};
