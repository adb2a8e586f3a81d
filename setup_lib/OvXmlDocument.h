// A small line-oriented reader for the settings files: every tag on a line of its own,
// or an element with its text on one line.
#pragma once

#include "setup_lib/OvMsiString.h"

#include <map>
#include <string>
#include <memory>
#include <vector>

namespace OvSetupLib
{
// The bytes of a settings file as the reader sees them, as a text-mode read delivers
// them: CR LF becomes LF, and 0x1A ends the text. Shared with the media check, which
// must see exactly what the reader sees.
std::string SettingsTextFromBytes(std::string text);
// A line with its leading and trailing spaces (U+0020 only) removed.
OvMsiString TrimSettingsLine(const OvMsiString& line);

class OvXmlElement
{
public:
    OvXmlElement(const OvMsiString& name, OvXmlElement* parent);
    OvXmlElement(const OvXmlElement&) = delete;
    OvXmlElement& operator=(const OvXmlElement&) = delete;
    virtual ~OvXmlElement();

    OvMsiString GetName() const { return name_; }
    OvXmlElement* GetParent() const { return parent_; }
    const std::vector<std::unique_ptr<OvXmlElement>>& GetChildren() const { return children_; }
    // Empty when the element has no attribute of that name (names compared exactly).
    OvMsiString GetAttribute(const OvMsiString& name) const;
    OvMsiString GetText(const OvMsiString& name) const;
    // This element and its descendants whose names match ignoring case, in document order.
    std::vector<OvXmlElement*> FindElements(const OvMsiString& name);

    OvXmlElement* AddChild(const OvMsiString& name);
    void SetAttribute(const OvMsiString& name, const OvMsiString& value);
    void SetText(const OvMsiString& name, const OvMsiString& text);
    // Releases all children and texts; the name and attributes remain.
    void Clear();

private:
    OvMsiString name_;
    OvXmlElement* parent_;
    std::vector<std::unique_ptr<OvXmlElement>> children_;
    std::map<OvMsiString, OvMsiString> attributes_;
    std::map<OvMsiString, OvMsiString> texts_;
};

class OvXmlDocument
{
public:
    // Loads at once; a missing or malformed file leaves the document not loaded.
    explicit OvXmlDocument(const OvMsiString& path);
    OvXmlDocument(const OvXmlDocument&) = delete;
    OvXmlDocument& operator=(const OvXmlDocument&) = delete;
    virtual ~OvXmlDocument() = default;

    bool Load();
    bool IsLoaded() const { return loaded_; }
    OvXmlElement* GetRoot() const { return root_.get(); }

private:
    enum class LineResult { accepted, rejected };
    // Both take the line as their working buffer and may change it.
    LineResult ParseLine(OvMsiString& line);
    LineResult ParseOpeningTag(OvMsiString& tag);

    OvMsiString path_;
    std::unique_ptr<OvXmlElement> root_;
    OvXmlElement* current_ = nullptr;
    bool loaded_ = false;
};
}  // namespace OvSetupLib
