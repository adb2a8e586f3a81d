#include "setup_lib/OvXmlDocument.h"

#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvStrings.h"

#include <string>

namespace OvSetupLib
{
namespace
{
// One read takes at most this many characters, line feed included.
constexpr std::size_t kLineLimit = 999;

// Reads the whole file as 8-bit text. False when the file cannot be opened or read.
bool ReadTextFile(const OvMsiString& path, std::string& text)
{
    HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return false;
    OvHandle file(opened);
    std::string raw;
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr)) return false;
        if (got == 0) break;
        raw.append(chunk, got);
    }
    text = SettingsTextFromBytes(raw);
    return true;
}
}  // namespace

std::string SettingsTextFromBytes(const std::string& raw)
{
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\x1A') break;
        if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text.push_back(c);
    }
    return text;
}

OvMsiString TrimSettingsLine(const OvMsiString& line)
{
    std::size_t begin = line.find_first_not_of(L' ');
    if (begin == OvMsiString::npos) return OvMsiString();
    std::size_t end = line.find_last_not_of(L' ');
    return OvMsiString(line.substr(begin, end - begin + 1));
}

OvXmlElement::OvXmlElement(const OvMsiString& name, OvXmlElement* parent) : name_(name), parent_(parent) {}

OvXmlElement::~OvXmlElement()
{
    Clear();
}

OvMsiString OvXmlElement::GetAttribute(const OvMsiString& name) const
{
    auto it = attributes_.find(name);
    return it == attributes_.end() ? OvMsiString() : it->second;
}

OvMsiString OvXmlElement::GetText(const OvMsiString& name) const
{
    auto it = texts_.find(name);
    return it == texts_.end() ? OvMsiString() : it->second;
}

std::vector<OvXmlElement*> OvXmlElement::FindElements(const OvMsiString& name)
{
    // Pre-order with an explicit stack, so that deep nesting cannot exhaust the call stack.
    std::vector<OvXmlElement*> found;
    std::vector<OvXmlElement*> pending{this};
    while (!pending.empty()) {
        OvXmlElement* e = pending.back();
        pending.pop_back();
        if (e->name_.CompareIgnoreCase(name) == 0) found.push_back(e);
        for (auto it = e->children_.rbegin(); it != e->children_.rend(); ++it)
            pending.push_back(it->get());
    }
    return found;
}

OvXmlElement* OvXmlElement::AddChild(const OvMsiString& name)
{
    children_.push_back(std::make_unique<OvXmlElement>(name, this));
    return children_.back().get();
}

void OvXmlElement::SetAttribute(const OvMsiString& name, const OvMsiString& value)
{
    attributes_[name] = value;
}

void OvXmlElement::SetText(const OvMsiString& name, const OvMsiString& text)
{
    texts_[name] = text;
}

void OvXmlElement::Clear()
{
    // Children are detached into a work list before they die, so that releasing a deep
    // tree does not recurse once per level.
    std::vector<std::unique_ptr<OvXmlElement>> doomed;
    doomed.swap(children_);
    while (!doomed.empty()) {
        std::unique_ptr<OvXmlElement> e = std::move(doomed.back());
        doomed.pop_back();
        for (auto& child : e->children_)
            doomed.push_back(std::move(child));
        e->children_.clear();
    }
    texts_.clear();
}

OvXmlDocument::OvXmlDocument(const OvMsiString& path) : path_(path)
{
    loaded_ = Load();
}

bool OvXmlDocument::Load()
{
    std::string text;
    if (!ReadTextFile(path_, text)) return false;

    bool result = true;
    OvMsiString line;
    std::size_t pos = 0;
    while (pos < text.size()) {
        line.clear();
        while (pos < text.size() && line.size() < kLineLimit) {
            unsigned char byte = static_cast<unsigned char>(text[pos++]);
            line.push_back(static_cast<wchar_t>(byte));
            if (byte == '\n') break;
        }
        if (ParseLine(TrimSettingsLine(line)) == LineResult::rejected) {
            if (root_) root_->Clear();
            // The open element may have been released with the tree.
            current_ = nullptr;
            result = false;
            break;
        }
    }
    if (current_ != nullptr) result = false;
    return result;
}

OvXmlDocument::LineResult OvXmlDocument::ParseLine(const OvMsiString& line)
{
    if (line.empty() || line == L"\n") return LineResult::accepted;
    if (line[0] != L'<') return LineResult::rejected;
    if (line.size() > 1 && (line[1] == L'?' || line[1] == L'!')) return LineResult::accepted;
    if (line.size() > 1 && line[1] == L'/') {
        if (current_ == nullptr) return LineResult::rejected;
        current_ = current_->GetParent();
        return LineResult::accepted;
    }
    OvMsiString tag(line.substr(1));
    if (tag.find(L'<') == OvMsiString::npos) return ParseOpeningTag(tag);

    // An element with its text on one line: recorded on the open element.
    if (current_ == nullptr) return LineResult::rejected;
    std::size_t nameEnd = tag.find_first_of(L" \t>");
    OvMsiString name(tag.substr(0, nameEnd));
    std::size_t close = tag.find(L'>');
    std::size_t textBegin = close == OvMsiString::npos ? 0 : close + 1;
    std::size_t textEnd = tag.find(L'<', textBegin);
    current_->SetText(name, OvMsiString(tag.substr(
                                textBegin, textEnd == OvMsiString::npos ? OvMsiString::npos : textEnd - textBegin)));
    return LineResult::accepted;
}

OvXmlDocument::LineResult OvXmlDocument::ParseOpeningTag(OvMsiString tag)
{
    tag.Replace(L" />", L"/>");
    std::size_t space = tag.find(L' ');
    OvMsiString name;
    std::vector<std::pair<OvMsiString, OvMsiString>> attributes;
    if (space == OvMsiString::npos) {
        std::size_t end = tag.find(L"/>");
        if (end == OvMsiString::npos) end = tag.find(L'>');
        name = tag.substr(0, end);
    } else {
        name = tag.substr(0, space);
        OvMsiString copy(tag);
        copy.Replace(L" = ", L"=");
        copy.Replace(L"= ", L"=");
        copy.Replace(L" =", L"=");
        OvMsiString rest(space + 1 <= copy.size() ? copy.substr(space + 1) : std::wstring());

        std::vector<OvMsiString> pieces;
        std::size_t from = 0;
        for (std::size_t sep = rest.find(L"\" "); sep != OvMsiString::npos; sep = rest.find(L"\" ", from)) {
            pieces.emplace_back(rest.substr(from, sep - from));
            from = sep + 2;
        }
        if (!pieces.empty()) {
            OvMsiString last(rest.substr(from));
            std::size_t cut = last.find(L"/>");
            if (cut == OvMsiString::npos) cut = last.find(L'>');
            pieces.emplace_back(last.substr(0, cut));
        }
        for (auto& piece : pieces) {
            piece.Replace(L"\"", L"");
            std::vector<OvMsiString> fields = SplitString(piece.c_str(), L"=");
            // A piece without a name and a value means nothing; it is skipped.
            if (fields.size() < 2) continue;
            attributes.emplace_back(fields[0], fields[1]);
        }
    }

    OvXmlElement* element = nullptr;
    if (!root_) {
        root_ = std::make_unique<OvXmlElement>(name, nullptr);
        element = root_.get();
    } else if (current_ == nullptr) {
        return LineResult::rejected;  // a second top-level element
    } else {
        element = current_->AddChild(name);
    }
    current_ = element;
    for (auto& a : attributes)
        element->SetAttribute(a.first, a.second);
    if (tag.find(L"/>") != OvMsiString::npos) current_ = element->GetParent();
    return LineResult::accepted;
}
}  // namespace OvSetupLib
