#include "setup_lib/OvXmlDocument.h"

#include "setup_lib/OvSmartHandle.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace OvSetupLib
{
namespace
{
// One read takes at most this many characters, line feed included.
constexpr std::size_t kLineLimit = 999;

// The bytes of a settings file as a text-mode read delivers them: CR LF becomes LF, and
// 0x1A ends the text.
std::string SettingsTextFromBytes(std::string text)
{
    // Compacted where it stands: the text is never longer than the bytes.
    std::size_t end = text.size();
    if (const void* eof = std::memchr(text.data(), '\x1A', end)) end = static_cast<const char*>(eof) - text.data();
    std::size_t from = 0, to = 0;
    while (from < end) {
        const void* cr = std::memchr(text.data() + from, '\r', end - from);
        std::size_t stop = cr ? static_cast<const char*>(cr) - text.data() : end;
        if (to != from) std::memmove(&text[to], text.data() + from, stop - from);
        to += stop - from;
        if (stop == end) break;
        // A carriage return is dropped only before a line feed.
        if (stop + 1 >= end || text[stop + 1] != '\n') text[to++] = '\r';
        from = stop + 1;
    }
    text.resize(to);
    return text;
}

// Reads the whole file as 8-bit text. False when the file cannot be opened or read.
bool ReadTextFile(const OvMsiString& path, std::string& text)
{
    // Shared for reading and writing, as the C runtime's text-mode open shares it: a file that
    // an editor or a copy holds open is still read.
    HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
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
    text = SettingsTextFromBytes(std::move(raw));
    return true;
}

// Removes a line's leading and trailing spaces (U+0020 only) where it stands.
void TrimSettingsLineInPlace(OvMsiString& line)
{
    std::size_t end = line.find_last_not_of(L' ');
    if (end == OvMsiString::npos) {
        line.clear();
        return;
    }
    line.resize(end + 1);
    line.erase(0, line.find_first_not_of(L' '));
}
}  // namespace

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
    // tree does not recurse once per level. They die in document order, the order in
    // which they were made, which keeps the release of a large tree close to linear.
    std::vector<std::unique_ptr<OvXmlElement>> doomed;
    auto detachChildren = [&doomed](OvXmlElement& e) {
        for (auto it = e.children_.rbegin(); it != e.children_.rend(); ++it)
            doomed.push_back(std::move(*it));
        e.children_.clear();
    };
    detachChildren(*this);
    while (!doomed.empty()) {
        std::unique_ptr<OvXmlElement> e = std::move(doomed.back());
        doomed.pop_back();
        detachChildren(*e);
    }
    texts_.clear();
}

OvXmlDocument::OvXmlDocument(const OvMsiString& path) : path_(path)
{
    loaded_ = Load();
}

OvXmlDocument::OvXmlDocument(const OvMsiString& path, OvSettingsAccount& account) : path_(path)
{
    account = OvSettingsAccount();
    account_ = &account;
    loaded_ = Load();
    account_ = nullptr;
}

OvXmlDocument::OvXmlDocument(const std::string& fileBytes)
{
    loaded_ = Parse(SettingsTextFromBytes(fileBytes));
}

bool OvXmlDocument::Load()
{
    std::string text;
    if (!ReadTextFile(path_, text)) return false;
    if (account_ != nullptr) account_->opened = true;
    return Parse(text);
}

bool OvXmlDocument::Parse(const std::string& text)
{
    bool result = true;
    // The line as an editor counts it, and whether the read starts inside one.
    unsigned number = 1;
    bool continuation = false;
    // One buffer serves every line, so that reading a line allocates nothing.
    OvMsiString line;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t length = std::min(kLineLimit, text.size() - pos);
        const void* lf = std::memchr(bytes + pos, '\n', length);
        if (lf != nullptr) length = static_cast<const unsigned char*>(lf) - (bytes + pos) + 1;
        const bool endsLine = lf != nullptr || pos + length == text.size();
        // Every byte becomes the character of the same value. Widened in place: assigning
        // from byte iterators would build a temporary string for every line.
        line.resize(length);
        for (std::size_t i = 0; i < length; ++i)
            line[i] = static_cast<wchar_t>(bytes[pos + i]);
        pos += length;
        TrimSettingsLineInPlace(line);
        OvSettingsLine* told = nullptr;
        if (account_ != nullptr) {
            account_->lines.emplace_back();
            told = &account_->lines.back();
            told->line = number;
            told->continuation = continuation;
            told->cut = !endsLine;
            told->length = length;
            told->text = line;
        }
        const LineResult parsed = ParseLine(line, number, told);
        if (parsed == LineResult::rejected) {
            if (root_) root_->Clear();
            // The open element may have been released with the tree.
            current_ = nullptr;
            openCount_ = 0;
            result = false;
        }
        if (told != nullptr) told->depth = openCount_;
        if (parsed == LineResult::rejected) break;
        continuation = !endsLine;
        if (endsLine) ++number;
    }
    if (current_ != nullptr) {
        result = false;
        if (account_ != nullptr)
            for (const OvXmlElement* e = current_; e != nullptr; e = e->GetParent())
                account_->openAtEnd.push_back(OvSettingsAccount::Open{e->GetName(), e->GetLine()});
    }
    return result;
}

OvXmlDocument::LineResult OvXmlDocument::Refuse(OvSettingsLine* told, OvSettingsLine::Refusal why)
{
    if (told != nullptr) {
        told->kind = OvSettingsLine::Kind::refused;
        told->refusal = why;
    }
    return LineResult::rejected;
}

OvXmlDocument::LineResult OvXmlDocument::ParseLine(OvMsiString& line, unsigned number, OvSettingsLine* told)
{
    using Kind = OvSettingsLine::Kind;
    using Refusal = OvSettingsLine::Refusal;
    if (line.empty() || line == L"\n") return LineResult::accepted;
    if (line[0] != L'<') return Refuse(told, Refusal::notATag);
    if (line.size() > 1 && (line[1] == L'?' || line[1] == L'!')) {
        if (told != nullptr) told->kind = Kind::instruction;
        return LineResult::accepted;
    }
    if (line.size() > 1 && line[1] == L'/') {
        if (current_ == nullptr) return Refuse(told, Refusal::closingWithoutOpen);
        if (told != nullptr) {
            told->kind = Kind::closing;
            told->name = current_->GetName();
            told->openedOn = current_->GetLine();
        }
        current_ = current_->GetParent();
        --openCount_;
        return LineResult::accepted;
    }
    line.erase(0, 1);
    const OvMsiString& tag = line;
    if (tag.find(L'<') == OvMsiString::npos) return ParseOpeningTag(line, number, told);

    // An element with its text on one line: recorded on the open element.
    if (current_ == nullptr) return Refuse(told, Refusal::textWithoutOpen);
    std::size_t nameEnd = std::min(tag.find_first_of(L" \t>"), tag.size());
    std::size_t close = tag.find(L'>');
    std::size_t textBegin = close == OvMsiString::npos ? 0 : close + 1;
    std::size_t textEnd = std::min(tag.find(L'<', textBegin), tag.size());
    OvMsiString name(tag.c_str(), nameEnd);
    OvMsiString text(tag.c_str() + textBegin, textEnd - textBegin);
    if (told != nullptr) {
        told->kind = Kind::text;
        told->name = name;
        told->textValue = text;
    }
    current_->SetText(name, text);
    return LineResult::accepted;
}

namespace
{
// The first two fields that SplitString(piece, L"=") gives, without making the others:
// the name up to the first "=", the value up to the next. False when there are fewer
// than two fields: an empty piece, no "=", or a single "=" at the end after a name.
bool AttributeFields(const OvMsiString& piece, OvMsiString& name, OvMsiString& value)
{
    std::size_t eq = piece.find(L'=');
    if (eq == OvMsiString::npos) return false;
    // A piece that is one "=" splits into two empty fields.
    if (eq + 1 == piece.size() && eq != 0) return false;
    std::size_t next = piece.find(L'=', eq + 1);
    name.assign(piece, 0, eq);
    value.assign(piece, eq + 1, next == OvMsiString::npos ? OvMsiString::npos : next - eq - 1);
    return true;
}
}  // namespace

OvXmlDocument::LineResult OvXmlDocument::ParseOpeningTag(OvMsiString& tag, unsigned number, OvSettingsLine* told)
{
    if (tag.find(L" />") != OvMsiString::npos) tag.Replace(L" />", L"/>");
    std::size_t space = tag.find(L' ');
    std::size_t nameEnd = space;
    if (space == OvMsiString::npos) {
        nameEnd = tag.find(L"/>");
        if (nameEnd == OvMsiString::npos) nameEnd = tag.find(L'>');
    }
    OvMsiString name(tag.c_str(), std::min(nameEnd, tag.size()));

    OvXmlElement* element = nullptr;
    if (!root_) {
        root_ = std::make_unique<OvXmlElement>(name, nullptr);
        element = root_.get();
    } else if (current_ == nullptr) {
        if (told != nullptr) told->name = name;
        return Refuse(told, OvSettingsLine::Refusal::secondRoot);
    } else {
        element = current_->AddChild(name);
    }
    element->SetLine(number);
    current_ = element;
    ++openCount_;
    if (told != nullptr) {
        told->kind = OvSettingsLine::Kind::opening;
        told->name = name;
        told->piecesRead = space != OvMsiString::npos;
    }

    if (space != OvMsiString::npos) {
        // The blanks around "=" go from a copy; the tag keeps them. Without a blank
        // beside an "=" the copy would equal the tag.
        OvMsiString copy;
        const OvMsiString* source = &tag;
        if (tag.find(L" =") != OvMsiString::npos || tag.find(L"= ") != OvMsiString::npos) {
            copy = tag;
            copy.Replace(L" = ", L"=");
            copy.Replace(L"= ", L"=");
            copy.Replace(L" =", L"=");
            source = &copy;
        }
        const OvMsiString& text = *source;
        // Pieces end at a double quote followed by a blank; without one there are none.
        std::size_t from = std::min(space + 1, text.size());
        std::size_t sep = text.find(L"\" ", from);
        OvMsiString piece, attrName, attrValue;
        auto takePiece = [&](std::size_t begin, std::size_t end) {
            piece.clear();
            for (std::size_t i = begin; i < end; ++i)
                if (text[i] != L'"') piece.push_back(text[i]);
            // A piece without a name and a value means nothing; it is skipped.
            if (AttributeFields(piece, attrName, attrValue)) {
                element->SetAttribute(attrName, attrValue);
                if (told != nullptr) told->attributes.push_back(OvSettingsLine::Attribute{attrName, attrValue});
            } else if (told != nullptr) {
                told->piecesSkipped.push_back(piece);
            }
        };
        if (sep != OvMsiString::npos) {
            for (; sep != OvMsiString::npos; sep = text.find(L"\" ", from)) {
                takePiece(from, sep);
                from = sep + 2;
            }
            std::size_t cut = text.find(L"/>", from);
            if (cut == OvMsiString::npos) cut = text.find(L'>', from);
            takePiece(from, cut == OvMsiString::npos ? text.size() : cut);
        }
    }
    if (tag.find(L"/>") != OvMsiString::npos) {
        current_ = element->GetParent();
        --openCount_;
        if (told != nullptr) told->selfClosing = true;
    }
    return LineResult::accepted;
}
}  // namespace OvSetupLib
