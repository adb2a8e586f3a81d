#include "MediaCheck.h"

#include "setup_lib/OvMsiDatabase.h"
#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"
#include "setup_lib/OvXmlDocument.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace OvMediaCheck
{
namespace
{
using OvSetupLib::OvMsiString;

// The reader takes at most this many characters per read, line feed included.
constexpr std::size_t kReadLimit = 999;

const wchar_t* const kSettingsFiles[] = {L"KDRSettings.xml", L"MTSettings.xml"};
const wchar_t* const kLayoutFiles[] = {L"Setup\\SetupWizard.dat", L"Redistr\\dotNetFx40_Full_x86_x64.exe",
                                       L"Redistr\\x64\\wic_x64_enu.exe",
                                       L"Redistr\\x64\\Windows6.0-KB942288-v2-x64.msu"};

std::wstring Quote(const std::wstring& s)
{
    return L"\"" + s + L"\"";
}

std::wstring Number(std::size_t n)
{
    return std::to_wstring(n);
}

bool IsElementTheBootstrapperReads(const std::wstring& name)
{
    for (const wchar_t* n : {L"product", L"msi", L"path"})
        if (OvMsiString(name).CompareIgnoreCase(n) == 0) return true;
    return false;
}

// What the reader does to a text: every occurrence replaced, without rescanning.
void ReplaceAll(std::wstring& s, const wchar_t* find, const wchar_t* by)
{
    OvMsiString text(s);
    s = text.Replace(find, by);
}

std::vector<std::wstring> SplitAtEquals(const std::wstring& piece)
{
    // The reader's split: empty fields are not kept.
    std::vector<std::wstring> fields;
    std::size_t from = 0;
    while (from <= piece.size()) {
        std::size_t at = piece.find(L'=', from);
        std::wstring field = piece.substr(from, at == std::wstring::npos ? std::wstring::npos : at - from);
        if (!field.empty()) fields.push_back(field);
        if (at == std::wstring::npos) break;
        from = at + 1;
    }
    return fields;
}

struct Attribute {
    std::wstring name;
    std::wstring value;
};

// The attributes as the reader takes them from an opening tag (T without its "<",
// " />" already made "/>", `space` the position of its first space).
std::map<std::wstring, std::wstring> ReaderAttributes(const std::wstring& tag, std::size_t space,
                                                      std::vector<std::wstring>& pieces)
{
    std::wstring copy = tag;
    ReplaceAll(copy, L" = ", L"=");
    ReplaceAll(copy, L"= ", L"=");
    ReplaceAll(copy, L" =", L"=");
    std::wstring rest = space + 1 <= copy.size() ? copy.substr(space + 1) : std::wstring();
    std::size_t from = 0;
    for (std::size_t sep = rest.find(L"\" "); sep != std::wstring::npos; sep = rest.find(L"\" ", from)) {
        pieces.push_back(rest.substr(from, sep - from));
        from = sep + 2;
    }
    if (!pieces.empty()) {
        std::wstring last = rest.substr(from);
        std::size_t cut = last.find(L"/>");
        if (cut == std::wstring::npos) cut = last.find(L'>');
        pieces.push_back(last.substr(0, cut));
    }
    std::map<std::wstring, std::wstring> attributes;
    for (auto& piece : pieces) {
        ReplaceAll(piece, L"\"", L"");
        std::vector<std::wstring> fields = SplitAtEquals(piece);
        if (fields.size() >= 2) attributes[fields[0]] = fields[1];
    }
    return attributes;
}

// The attributes as their writer meant them: name, "=", a value in double or single
// quotes, separated by any blanks.
std::vector<Attribute> WrittenAttributes(const std::wstring& tag)
{
    std::vector<Attribute> written;
    auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
    std::size_t i = 0;
    while (i < tag.size() && !blank(tag[i]) && tag[i] != L'/' && tag[i] != L'>')
        ++i;
    for (;;) {
        while (i < tag.size() && blank(tag[i]))
            ++i;
        if (i >= tag.size() || tag[i] == L'/' || tag[i] == L'>') break;
        std::size_t nameBegin = i;
        while (i < tag.size() && !blank(tag[i]) && tag[i] != L'=' && tag[i] != L'>')
            ++i;
        Attribute a;
        a.name = tag.substr(nameBegin, i - nameBegin);
        while (i < tag.size() && blank(tag[i]))
            ++i;
        if (i >= tag.size() || tag[i] != L'=') break;
        ++i;
        while (i < tag.size() && blank(tag[i]))
            ++i;
        if (i >= tag.size() || (tag[i] != L'"' && tag[i] != L'\'')) break;
        wchar_t quote = tag[i++];
        std::size_t close = tag.find(quote, i);
        if (close == std::wstring::npos) break;
        a.value = tag.substr(i, close - i);
        written.push_back(a);
        i = close + 1;
    }
    return written;
}

class Scanner
{
public:
    explicit Scanner(const std::wstring& file) : file_(file) {}

    SettingsScan Run(const std::string& bytes)
    {
        std::string text = OvSetupLib::SettingsTextFromBytes(bytes);
        scan_.loads = true;
        std::size_t pos = 0;
        unsigned line = 1;
        bool continuation = false;
        while (pos < text.size()) {
            std::wstring piece;
            while (pos < text.size() && piece.size() < kReadLimit) {
                unsigned char byte = static_cast<unsigned char>(text[pos++]);
                piece.push_back(static_cast<wchar_t>(byte));
                if (byte == '\n') break;
            }
            bool endsLine = piece.back() == L'\n' || pos >= text.size();
            if (!endsLine && !continuation) ReportLongLine(text, pos - piece.size(), line);
            if (!ParseLine(OvSetupLib::TrimSettingsLine(piece), line, continuation)) {
                scan_.loads = false;
                break;
            }
            continuation = !endsLine;
            if (endsLine) ++line;
        }
        if (scan_.loads && !open_.empty()) {
            const Open& innermost = open_.back();
            Add(innermost.line,
                L"element <" + innermost.name + L"> opened here is never closed: the file ends with " +
                    Number(open_.size()) + L" element(s) open, and the load fails",
                L"add </" + innermost.name + L"> on a line of its own");
            scan_.loads = false;
        }
        CollectProducts();
        return scan_;
    }

private:
    struct Open {
        std::wstring name;
        unsigned line;
    };

    void Add(unsigned line, const std::wstring& what, const std::wstring& fix, Severity severity = Severity::error)
    {
        scan_.findings.push_back(Finding{severity, file_, line, what, fix});
    }

    void ReportLongLine(const std::string& text, std::size_t start, unsigned line)
    {
        std::size_t end = text.find('\n', start);
        std::size_t length = (end == std::string::npos ? text.size() : end + 1) - start;
        Add(line,
            L"the line is " + Number(length) +
                L" characters long (line feed included); the reader reads at most 999 characters at a time, so it "
                L"reads this line in pieces and takes the rest as a new line",
            L"break the line so that every line stays under 1000 characters (for example one attribute per "
            L"element, or a shorter path)");
    }

    bool Reject(unsigned line, const std::wstring& what, const std::wstring& fix)
    {
        Add(line, what + L"; the load fails here and the bootstrapper sees no product entries in this file", fix);
        return false;
    }

    bool RejectNotATag(const std::wstring& l, unsigned line, bool continuation)
    {
        if (continuation)
            return Reject(line, L"the rest of the line after its first 999 characters does not start with \"<\"",
                          L"break the line so that every line stays under 1000 characters");
        if (line == 1 && l.size() >= 3 && l[0] == 0xEF && l[1] == 0xBB && l[2] == 0xBF)
            return Reject(line, L"the file starts with a UTF-8 byte order mark, which the reader takes as text",
                          L"save the file as UTF-8 without a byte order mark (or as plain ASCII)");
        if (line == 1 && l.size() >= 2 && ((l[0] == 0xFF && l[1] == 0xFE) || (l[0] == 0xFE && l[1] == 0xFF)))
            return Reject(line,
                          L"the file is UTF-16 (it starts with a byte order mark); the reader reads 8-bit text only",
                          L"save the file as UTF-8 without a byte order mark (or as plain ASCII)");
        if (commentLine_ != 0)
            return Reject(line,
                          L"this line continues the comment opened on line " + Number(commentLine_) +
                              L"; the reader takes every line on its own and this one does not start with \"<\"",
                          L"put the whole comment on one line: <!-- ... -->");
        if (l[0] == L'\t')
            return Reject(line, L"the line is indented with a tab; only spaces are trimmed",
                          L"indent with spaces only");
        if (l[0] == L'\r')
            return Reject(line, L"the line starts with a carriage return that is not followed by a line feed",
                          L"end lines with CR LF or LF only");
        return Reject(line,
                      L"the line does not start with \"<\" (" +
                          Quote(l.substr(0, std::min<std::size_t>(l.size(), 20))) +
                          L"): text outside a tag, or a tag broken over two lines",
                      L"put each tag on one line of its own, starting with \"<\"");
    }

    bool ParseLine(const std::wstring& l, unsigned line, bool continuation)
    {
        if (l.empty() || l == L"\n") return true;
        if (l[0] != L'<') return RejectNotATag(l, line, continuation);
        std::wstring body = l;
        if (!body.empty() && body.back() == L'\n') body.pop_back();
        commentLine_ = 0;
        if (l.size() > 1 && (l[1] == L'?' || l[1] == L'!')) {
            if (l.compare(0, 4, L"<!--") == 0 && body.find(L"-->", 4) == std::wstring::npos) {
                Add(line,
                    L"a comment opened here does not end on this line; the reader takes its next lines as content",
                    L"put the whole comment on one line: <!-- ... -->");
                commentLine_ = line;
            }
            return true;
        }
        if (l.size() > 1 && l[1] == L'/') return ParseClosingTag(body, line);
        std::wstring tag = body.substr(1);
        if (tag.find(L'<') != std::wstring::npos) return ParseElementWithText(tag, line);
        return ParseOpeningTag(tag, line);
    }

    bool ParseClosingTag(const std::wstring& body, unsigned line)
    {
        if (open_.empty()) {
            if (rootClosedLine_ != 0)
                return Reject(line,
                              L"a closing tag after the root element closed on line " + Number(rootClosedLine_) +
                                  L" (a stray closing tag)",
                              L"remove this closing tag, or the one that closed the root too early");
            return Reject(line, L"a closing tag before any element was opened (a stray closing tag)",
                          L"remove this closing tag");
        }
        std::wstring name = body.substr(2);
        std::size_t end = name.find_first_of(L" \t>");
        name = name.substr(0, end);
        Open closed = open_.back();
        if (name != closed.name)
            Add(line,
                L"</" + name + L"> closes <" + closed.name + L"> opened on line " + Number(closed.line) +
                    L" (the reader does not compare the names), so the elements nest differently from what is written",
                L"close <" + closed.name + L"> with </" + closed.name + L">, or close the elements in order");
        Pop(line);
        return true;
    }

    bool ParseElementWithText(const std::wstring& tag, unsigned line)
    {
        std::wstring name = tag.substr(0, tag.find_first_of(L" \t>"));
        if (open_.empty())
            return Reject(line, L"an element with text outside the root element", L"move it inside the root element");
        if (IsElementTheBootstrapperReads(name))
            Add(line,
                L"<" + name +
                    L"> is written with its closing tag on the same line; the reader takes such a line as a text and "
                    L"creates no element, so its attributes are lost",
                L"write it as a self-closing tag, <" + name + L" a=\"...\" b=\"...\"/>, or put </" + name +
                    L"> on a line of its own");
        return true;
    }

    bool ParseOpeningTag(std::wstring tag, unsigned line)
    {
        std::wstring written = tag;
        ReplaceAll(tag, L" />", L"/>");
        std::size_t space = tag.find(L' ');
        std::wstring name;
        std::map<std::wstring, std::wstring> read;
        std::vector<std::wstring> pieces;
        if (space == std::wstring::npos) {
            std::size_t end = tag.find(L"/>");
            if (end == std::wstring::npos) end = tag.find(L'>');
            name = tag.substr(0, end);
        } else {
            name = tag.substr(0, space);
            read = ReaderAttributes(tag, space, pieces);
        }
        if (open_.empty() && rootClosedLine_ != 0)
            return Reject(line,
                          L"a second top-level element <" + name + L"> after the root element closed on line " +
                              Number(rootClosedLine_),
                          L"keep every element inside the one root element");
        CompareAttributes(name, written, read, line);
        open_.push_back(Open{name, line});
        nodes_.push_back(Node{name, line, parents_.empty() ? kNone : parents_.back()});
        parents_.push_back(nodes_.size() - 1);
        if (tag.find(L"/>") != std::wstring::npos) Pop(line);
        return true;
    }

    void Pop(unsigned line)
    {
        open_.pop_back();
        parents_.pop_back();
        if (open_.empty()) rootClosedLine_ = line;
    }

    bool IsDescendant(std::size_t node, std::size_t ancestor) const
    {
        for (std::size_t p = nodes_[node].parent; p != kNone; p = nodes_[p].parent)
            if (p == ancestor) return true;
        return false;
    }

    // The first descendant of `from` named `name`, in document order (creation order).
    std::size_t FirstDescendant(std::size_t from, const wchar_t* name) const
    {
        for (std::size_t i = from + 1; i < nodes_.size(); ++i)
            if (OvMsiString(nodes_[i].name).CompareIgnoreCase(name) == 0 && IsDescendant(i, from)) return i;
        return kNone;
    }

    // Each product element, and whether the bootstrapper's searches find an msi element
    // in it and a path element in that msi element.
    void CollectProducts()
    {
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            if (OvMsiString(nodes_[i].name).CompareIgnoreCase(L"product") != 0) continue;
            scan_.productLines.push_back(nodes_[i].line);
            std::size_t msi = FirstDescendant(i, L"msi");
            scan_.productHasPath.push_back(msi != kNone && FirstDescendant(msi, L"path") != kNone);
        }
    }

    void CompareAttributes(const std::wstring& name, const std::wstring& tag,
                           const std::map<std::wstring, std::wstring>& read, unsigned line)
    {
        std::vector<Attribute> written = WrittenAttributes(tag);
        Severity severity = IsElementTheBootstrapperReads(name) ? Severity::error : Severity::note;
        if (written.empty()) return;
        if (read.empty()) {
            if (written.size() == 1) {
                std::wstring attribute = written[0].name + L"=" + Quote(written[0].value);
                Add(line,
                    L"<" + name + L"> has one attribute, " + attribute +
                        L", and the reader reads the attributes of a tag only when it has two or more (or a blank "
                        L"before a closing \">\" that is not \"/>\"): it drops this one",
                    L"write a second attribute: <" + name + L" " + attribute +
                        L" kind=\"...\"/> (a blank before \"/>\" does not help: the reader removes it)",
                    severity);
            } else {
                Add(line,
                    L"the reader reads none of the attributes of <" + name +
                        L">: they are not separated by a single space after a double-quoted value",
                    L"write each attribute as name=\"value\", separated by one space", severity);
            }
            return;
        }
        for (const Attribute& a : written) {
            auto got = read.find(a.name);
            if (got != read.end() && got->second == a.value) continue;
            std::wstring gotText = got == read.end() ? L"drops it" : L"reads " + Quote(got->second);
            if (a.value.find(L"\" ") != std::wstring::npos) {
                Add(line,
                    L"the value of attribute " + a.name +
                        L" holds a double quote followed by a blank; the reader splits the "
                        L"attributes there and " +
                        gotText,
                    L"keep double quotes out of values", severity);
            } else if (a.value.find(L'=') != std::wstring::npos) {
                Add(line,
                    L"attribute " + a.name + L"=" + Quote(a.value) +
                        L" holds \"=\" in its value; the reader cuts it there and " + gotText,
                    L"keep \"=\" out of values (rename the file or folder)", severity);
            } else {
                Add(line, L"the reader misreads attribute " + a.name + L"=" + Quote(a.value) + L" and " + gotText,
                    L"write each attribute as name=\"value\" in double quotes, separated by one space", severity);
            }
        }
    }

    std::wstring file_;
    SettingsScan scan_;
    struct Node {
        std::wstring name;
        unsigned line;
        std::size_t parent;
    };
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::vector<Open> open_;
    std::vector<Node> nodes_;           // every element, in document order
    std::vector<std::size_t> parents_;  // the open elements as indexes into nodes_
    unsigned rootClosedLine_ = 0;
    unsigned commentLine_ = 0;
};

bool ReadWholeFile(const std::wstring& path, std::string& bytes)
{
    // Shared as the program's reader shares it.
    HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return false;
    OvSetupLib::OvHandle file(opened);
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr)) return false;
        if (got == 0) return true;
        bytes.append(chunk, got);
    }
}

enum class PathKind { missing, file, folder };

PathKind Kind(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::folder : PathKind::file;
}

bool IsBracedGuid(const std::wstring& s)
{
    static const char pattern[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (s.size() != sizeof pattern - 1) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        wchar_t c = s[i];
        if (pattern[i] == 'X') {
            bool hex = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
            if (!hex) return false;
        } else if (c != static_cast<wchar_t>(pattern[i])) {
            return false;
        }
    }
    return true;
}

// ".." anywhere, a drive, or a leading backslash: the package would not lie on the media.
bool EscapesMedia(const std::wstring& path)
{
    if (path.find(L':') != std::wstring::npos || path[0] == L'\\' || path[0] == L'/') return true;
    for (const OvMsiString& part : OvSetupLib::SplitString(path.c_str(), L"\\/"))
        if (part == L"..") return true;
    return false;
}

std::wstring ErrorText(const OvSetupLib::OvWinError& e)
{
    return L"error " + Number(e.ErrorCode());
}

void CheckPackage(const std::wstring& root, ProductReport& product, std::vector<Finding>& findings)
{
    const std::wstring& path = product.entry.msiPath;
    auto add = [&](const std::wstring& what, const std::wstring& fix) {
        findings.push_back(Finding{Severity::error, product.file, product.line,
                                   L"product " + Quote(product.entry.name) + L": " + what, fix});
    };
    if (path.empty()) {
        add(L"its msi path is empty, so the bootstrapper fails when it opens the package",
            L"give the path element a value and a second attribute: <path value=\"Packages\\Name.msi\" "
            L"kind=\"package\"/>");
        return;
    }
    if (EscapesMedia(path)) {
        add(L"the package path " + Quote(path) + L" leads out of the media folder",
            L"give the package's path relative to the media root, without \"..\" or a drive");
        return;
    }
    std::wstring full = root + path;
    PathKind kind = Kind(full);
    if (kind == PathKind::missing) {
        add(L"the package " + Quote(path) +
                L" is not on the media: the bootstrapper stops with an error when it opens it",
            L"copy the package there, or correct the path");
        return;
    }
    if (kind == PathKind::folder) {
        add(L"the package path " + Quote(path) + L" names a folder", L"name the .msi file inside it");
        return;
    }
    try {
        OvSetupLib::OvMsiDatabase database;
        database.OpenReadOnly(full.c_str());
    } catch (const OvSetupLib::OvWinError& e) {
        add(L"the package " + Quote(path) + L" cannot be opened as an installer database (" + ErrorText(e) + L")",
            L"replace it with a valid .msi package");
        return;
    }
    struct Property {
        const wchar_t* name;
        const wchar_t* query;
        std::wstring* value;
    } properties[] = {{L"ProductVersion", OvBootstrapHelper::kProductVersionQuery, &product.productVersion},
                      {L"UpgradeCode", OvBootstrapHelper::kUpgradeCodeQuery, &product.upgradeCode}};
    for (auto& p : properties) {
        try {
            *p.value = OvSetupLib::ReadPackageValue(full, p.query);
        } catch (const OvSetupLib::OvWinError& e) {
            add(L"the package " + Quote(path) + L" has no " + p.name + L" property (" + ErrorText(e) +
                    L"); the bootstrapper stops with an error when it reads it",
                std::wstring(L"give the package a ") + p.name + L" in its Property table");
        }
    }
}

void CheckSettingsFile(const std::wstring& root, const std::wstring& file, MediaReport& report)
{
    std::wstring full = root + file;
    std::string bytes;
    if (Kind(full) != PathKind::file || !ReadWholeFile(full, bytes)) {
        report.findings.push_back(Finding{Severity::error, file, 0,
                                          L"the settings file is missing or cannot be read: the bootstrapper then "
                                          L"checks no installed products for it, without a word",
                                          L"put " + file + L" in the media root"});
        return;
    }
    SettingsScan scan = ScanSettingsText(bytes, file);
    report.findings.insert(report.findings.end(), scan.findings.begin(), scan.findings.end());

    OvSetupLib::OvXmlDocument document(full);
    if (document.IsLoaded() != scan.loads) {
        report.findings.push_back(Finding{Severity::error, file, 0,
                                          std::wstring(L"media-check predicted that the file ") +
                                              (scan.loads ? L"loads" : L"fails to load") + L", but the reader " +
                                              (document.IsLoaded() ? L"loads it" : L"fails to load it"),
                                          L"report this to the bootstrapper's developers with the file"});
    }
    if (!document.IsLoaded()) {
        report.settingsNotLoaded.push_back(file);
        return;
    }
    report.settingsLoaded.push_back(file);

    // A file of nothing but declarations and comments loads without a root.
    std::vector<OvSetupLib::OvXmlElement*> elements;
    if (document.GetRoot() != nullptr) elements = document.GetRoot()->FindElements(L"product");
    std::vector<OvBootstrapHelper::OvProductEntry> entries = OvBootstrapHelper::ReadProductEntries(document);
    bool linesKnown = elements.size() == scan.productLines.size();
    std::size_t next = 0;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        unsigned line = linesKnown ? scan.productLines[i] : 0;
        bool hasPath = linesKnown ? scan.productHasPath[i] : true;
        if (!hasPath) {
            report.findings.push_back(Finding{
                Severity::error, file, line,
                L"product " + Quote(elements[i]->GetAttribute(L"name")) +
                    L" has no msi element holding a path element: the bootstrapper skips it",
                L"add <msi name=\"...\" kind=\"...\"> with <path value=\"...\" kind=\"package\"/> and </msi> inside "
                L"the product"});
            continue;
        }
        if (next >= entries.size()) break;
        ProductReport product;
        product.file = file;
        product.line = line;
        product.entry = entries[next++];
        for (const OvMsiString& code : product.entry.upgradeCodes) {
            if (!IsBracedGuid(code))
                report.findings.push_back(
                    Finding{Severity::error, file, line,
                            L"product " + Quote(product.entry.name) + L": upgrade code " + Quote(code) +
                                L" is not a GUID in braces: Windows Installer refuses it (87, the parameter is "
                                L"incorrect), so setup stops with error 87 in its log before the wizard",
                            L"write upgradecode=\"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX};{...}\" without blanks"});
        }
        CheckPackage(root, product, report.findings);
        report.products.push_back(product);
    }
    if (elements.empty())
        report.findings.push_back(Finding{Severity::error, file, 0,
                                          L"the file holds no product element: the bootstrapper checks no installed "
                                          L"products for it",
                                          L"list the product's packages: <product name=\"...\" minver=\"...\"> with "
                                          L"<msi ...> and <path value=\"...\" kind=\"package\"/> inside"});
}

std::string Line(const std::wstring& w)
{
    return ToUtf8(w) + "\n";
}
}  // namespace

SettingsScan ScanSettingsText(const std::string& bytes, const std::wstring& file)
{
    return Scanner(file).Run(bytes);
}

bool MediaReport::Sound() const
{
    return std::none_of(findings.begin(), findings.end(),
                        [](const Finding& f) { return f.severity == Severity::error; });
}

MediaReport CheckMedia(const std::wstring& mediaRoot)
{
    MediaReport report;
    std::wstring root = OvSetupLib::AddTrailingBackslash(mediaRoot.c_str());
    for (const wchar_t* file : kSettingsFiles)
        CheckSettingsFile(root, file, report);
    for (const wchar_t* file : kLayoutFiles) {
        if (Kind(root + file) == PathKind::file) continue;
        std::wstring name = file;
        bool wizard = name == kLayoutFiles[0];
        report.findings.push_back(Finding{Severity::error, name, 0,
                                          wizard ? L"the setup wizard is missing: the bootstrapper cannot start it"
                                                 : L"this prerequisite package is missing: the bootstrapper cannot "
                                                   L"install it on a machine that needs it",
                                          L"copy " + name + L" onto the media"});
    }
    std::stable_sort(report.findings.begin(), report.findings.end(), [](const Finding& a, const Finding& b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
    return report;
}

std::string FormatReport(const MediaReport& report, const std::string& shownRoot)
{
    std::string out = "media-check " + shownRoot + "\n";
    for (const std::wstring& file : report.settingsLoaded)
        out += Line(file + L": loads");
    for (const std::wstring& file : report.settingsNotLoaded)
        out += Line(file + L": does not load; the bootstrapper sees no product entries in it");
    for (const ProductReport& p : report.products) {
        std::wstring codes;
        for (const auto& c : p.entry.upgradeCodes)
            codes += (codes.empty() ? std::wstring() : std::wstring(L";")) + static_cast<const std::wstring&>(c);
        out += Line(p.file + L":" + Number(p.line) + L": product " + Quote(p.entry.name));
        out += Line(L"    msi " + Quote(p.entry.msiPath) + L", upgradecode " + Quote(codes) + L", minver " +
                    Quote(p.entry.minVersion) + L", AllowRevisionUpgrade " +
                    (p.entry.allowRevisionUpgrade ? L"true" : L"false"));
        if (!p.productVersion.empty() || !p.upgradeCode.empty())
            out += Line(L"    package ProductVersion " + Quote(p.productVersion) + L", UpgradeCode " +
                        Quote(p.upgradeCode));
    }
    std::size_t errors = 0;
    if (!report.findings.empty()) out += "findings:\n";
    for (const Finding& f : report.findings) {
        if (f.severity == Severity::error) ++errors;
        std::wstring where = f.file + (f.line != 0 ? L":" + Number(f.line) : L"");
        out += Line(where + (f.severity == Severity::error ? L": error: " : L": note: ") + f.what);
        out += Line(L"    write instead: " + f.fix);
    }
    out += errors == 0 ? "the media is sound\n" : std::to_string(errors) + " error(s): the media is not sound\n";
    return out;
}

std::string ToUtf8(const std::wstring& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned long c = static_cast<unsigned long>(text[i]) & 0xFFFFu;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            unsigned long low = static_cast<unsigned long>(text[i + 1]) & 0xFFFFu;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}
}  // namespace OvMediaCheck
