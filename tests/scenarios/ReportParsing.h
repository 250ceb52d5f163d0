#pragma once
// Readers for the three report formats, written for the scenarios: the CSV
// by its quoting rules, the XML by a small strict parser (well-formedness:
// one root, matched tags, quoted and unique attributes, only the predefined
// and numeric entities, valid UTF-8) and the HTML tolerantly, as a browser
// would take its tables.
#include <map>
#include <string>
#include <vector>

// UTF-16LE with its byte-order mark -> records of fields; an empty line is a
// record without fields. False with `error` on a quoting fault.
bool ParseCsv(const std::string& bytes, std::vector<std::vector<std::wstring>>& records, std::string& error);

struct XmlElement {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text; // character data directly inside, entities resolved
    std::vector<XmlElement> children;

    // The children called `name`.
    std::vector<const XmlElement*> All(const std::string& childName) const;
    // The first child called `name`; a static empty element when there is none.
    const XmlElement& Child(const std::string& childName) const;
};

// UTF-8 with its byte-order mark and an XML declaration -> the root element.
bool ParseXml(const std::string& bytes, XmlElement& root, std::string& error);

// The rows of every table: each row's cells (td or th) as text, tags left
// out and entities resolved. Unclosed cells and rows end where the next one
// begins.
std::vector<std::vector<std::string>> HtmlTableRows(const std::string& html);

std::wstring Wide(const std::string& utf8);
