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
// What the reader did with one read of a settings file. A read is one line, or a piece of
// a line longer than the read limit; `line` counts lines as an editor does.
struct OvSettingsLine {
    enum class Kind {
        blank,        // empty, or spaces only: skipped
        instruction,  // starts with "<?" or "<!" (declaration, comment, doctype): skipped
        opening,      // an opening tag: an element is made
        closing,      // a closing tag: the open element is closed, whatever name the tag gives
        text,         // a tag, its text and more on one line: a text of the open element
        refused       // the load fails here; nothing after it is read
    };
    enum class Refusal {
        none,
        notATag,             // the line does not start with "<"
        closingWithoutOpen,  // a closing tag while no element is open
        textWithoutOpen,     // a text line while no element is open
        secondRoot           // an opening tag after the root element closed
    };
    struct Attribute {
        OvMsiString name;
        OvMsiString value;
    };

    unsigned line = 0;
    bool continuation = false;  // the read starts inside a line, after the previous read's limit
    bool cut = false;           // the read ends at the limit, inside its line
    std::size_t length = 0;     // characters of the read, line feed included
    OvMsiString text;           // the read as parsed: trimmed of spaces, with its line feed
    Kind kind = Kind::blank;
    Refusal refusal = Refusal::none;
    // opening and text: the element's name as taken; closing: the name of the element closed.
    OvMsiString name;
    unsigned openedOn = 0;                   // closing: the line of the closed element's opening tag
    std::size_t depth = 0;                   // elements open after this read
    bool selfClosing = false;                // opening: "/>" in the tag closes the element on this line
    bool piecesRead = false;                 // opening: a blank follows the name, so attribute pieces were looked for
    std::vector<Attribute> attributes;       // opening: taken in this order; a later name replaces
    std::vector<OvMsiString> piecesSkipped;  // opening: pieces without a name and a value
    OvMsiString textValue;                   // text: the text recorded under `name`
};

// The reader's account of a load, read by read, for tools and tests that explain it.
struct OvSettingsAccount {
    bool opened = false;  // the file could be opened and read
    std::vector<OvSettingsLine> lines;
    struct Open {
        OvMsiString name;
        unsigned line;
    };
    // The elements still open when the text ended, innermost first (the load fails).
    std::vector<Open> openAtEnd;
};

class OvXmlElement
{
public:
    OvXmlElement(const OvMsiString& name, OvXmlElement* parent);
    OvXmlElement(const OvXmlElement&) = delete;
    OvXmlElement& operator=(const OvXmlElement&) = delete;
    virtual ~OvXmlElement();

    OvMsiString GetName() const { return name_; }
    // The line of the element's opening tag; 0 for an element that no file made.
    unsigned GetLine() const { return line_; }
    void SetLine(unsigned line) { line_ = line; }
    OvXmlElement* GetParent() const { return parent_; }
    const std::vector<std::unique_ptr<OvXmlElement>>& GetChildren() const { return children_; }
    // Empty when the element has no attribute of that name (names compared exactly).
    OvMsiString GetAttribute(const OvMsiString& name) const;
    OvMsiString GetText(const OvMsiString& name) const;
    const std::map<OvMsiString, OvMsiString>& GetAttributes() const { return attributes_; }
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
    unsigned line_ = 0;
    std::vector<std::unique_ptr<OvXmlElement>> children_;
    std::map<OvMsiString, OvMsiString> attributes_;
    std::map<OvMsiString, OvMsiString> texts_;
};

class OvXmlDocument
{
public:
    // Loads at once; a missing or malformed file leaves the document not loaded.
    explicit OvXmlDocument(const OvMsiString& path);
    // Loads at once and tells in `account` what it did with each line.
    OvXmlDocument(const OvMsiString& path, OvSettingsAccount& account);
    // Reads a settings file's bytes held in memory exactly as a load reads the file.
    explicit OvXmlDocument(const std::string& fileBytes);
    OvXmlDocument(const OvXmlDocument&) = delete;
    OvXmlDocument& operator=(const OvXmlDocument&) = delete;
    virtual ~OvXmlDocument() = default;

    bool Load();
    bool IsLoaded() const { return loaded_; }
    OvXmlElement* GetRoot() const { return root_.get(); }

private:
    enum class LineResult { accepted, rejected };
    // Both take the line as their working buffer and may change it. `told` is the account's
    // entry for the line, or null when no account is kept.
    LineResult ParseLine(OvMsiString& line, unsigned number, OvSettingsLine* told);
    LineResult ParseOpeningTag(OvMsiString& tag, unsigned number, OvSettingsLine* told);
    // Tells the account why the line ends the load.
    static LineResult Refuse(OvSettingsLine* told, OvSettingsLine::Refusal why);
    // The lines of the text, converted from the file's bytes.
    bool Parse(const std::string& text);

    OvMsiString path_;
    std::unique_ptr<OvXmlElement> root_;
    OvXmlElement* current_ = nullptr;
    std::size_t openCount_ = 0;  // current_ and its ancestors
    bool loaded_ = false;
    // Set only while a load that keeps an account runs.
    OvSettingsAccount* account_ = nullptr;
};
}  // namespace OvSetupLib
