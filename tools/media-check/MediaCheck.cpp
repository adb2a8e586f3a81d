#include "MediaCheck.h"

#include "bootstrap_helper/OvConditionSingleProductDetector.h"

#include "setup_lib/OvMsiDatabase.h"
#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"
#include "setup_lib/OvXmlDocument.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace OvMediaCheck
{
namespace
{
using OvSetupLib::OvMsiString;
using OvSetupLib::OvSettingsLine;

const wchar_t* const kSettingsFiles[] = {L"KDRSettings.xml", L"MTSettings.xml"};
const wchar_t* const kLayoutFiles[] = {L"Setup\\SetupWizard.dat", L"Redistr\\dotNetFx40_Full_x86_x64.exe",
                                       L"Redistr\\x64\\wic_x64_enu.exe",
                                       L"Redistr\\x64\\Windows6.0-KB942288-v2-x64.msu"};

std::wstring Quote(const std::wstring& s)
{
    return L"\"" + s + L"\"";
}

// The reader's text as the standard string that the reports are built of.
const std::wstring& W(const OvMsiString& s)
{
    return s;
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

struct Attribute {
    std::wstring name;
    std::wstring value;
};

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

// Explains the reader's account of a settings file: what the writer meant against what the
// reader did. Every decision comes from the account; this class adds only the reasons.
class Explainer
{
public:
    explicit Explainer(const std::wstring& file) : file_(file) {}

    SettingsScan Run(const OvSetupLib::OvSettingsAccount& account, bool loaded)
    {
        scan_.loads = loaded;
        const std::vector<OvSettingsLine>& lines = account.lines;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].cut && !lines[i].continuation) ReportLongLine(lines, i);
            if (!lines[i].continuation) readBefore_ = 0;
            Explain(lines[i]);
            readBefore_ += lines[i].length;
        }
        if (!account.openAtEnd.empty()) {
            const auto& innermost = account.openAtEnd.front();
            Add(innermost.line,
                L"element <" + W(innermost.name) + L"> opened here is never closed: the file ends with " +
                    Number(account.openAtEnd.size()) + L" element(s) open, and the load fails",
                L"add </" + W(innermost.name) + L"> on a line of its own");
        }
        return scan_;
    }

private:
    using Kind = OvSettingsLine::Kind;
    using Refusal = OvSettingsLine::Refusal;

    void Add(unsigned line, const std::wstring& what, const std::wstring& fix, Severity severity = Severity::error)
    {
        scan_.findings.push_back(Finding{severity, file_, line, what, fix});
    }

    void ReportLongLine(const std::vector<OvSettingsLine>& lines, std::size_t first)
    {
        std::size_t length = 0;
        std::size_t i = first;
        do {
            length += lines[i].length;
        } while (lines[i].cut && ++i < lines.size());
        // The load stopped inside the line: its rest was never read.
        bool whole = i < lines.size();
        Add(lines[first].line,
            L"the line is " + std::wstring(whole ? L"" : L"more than ") + Number(length) +
                L" characters long (line feed included); the reader reads at most " + Number(lines[first].length) +
                L" characters at a time, so it reads this line in pieces and takes the rest as a new line",
            L"break the line so that every line stays under 1000 characters (for example one attribute per "
            L"element, or a shorter path)");
    }

    void Reject(unsigned line, const std::wstring& what, const std::wstring& fix)
    {
        Add(line, what + L"; the load fails here and the bootstrapper sees no product entries in this file", fix);
    }

    // The line without its line feed, and without the "<" for a tag.
    static std::wstring Body(const OvSettingsLine& l)
    {
        std::wstring body = W(l.text);
        if (!body.empty() && body.back() == L'\n') body.pop_back();
        return body;
    }

    void Explain(const OvSettingsLine& l)
    {
        if (l.kind == Kind::blank) return;
        unsigned commentLine = commentLine_;
        commentLine_ = 0;
        switch (l.kind) {
            case Kind::blank:
                return;
            case Kind::instruction:
                if (W(l.text).compare(0, 4, L"<!--") == 0 && Body(l).find(L"-->", 4) == std::wstring::npos) {
                    Add(l.line,
                        L"a comment opened here does not end on this line; the reader takes its next lines as content",
                        L"put the whole comment on one line: <!-- ... -->");
                    commentLine_ = l.line;
                }
                return;
            case Kind::refused:
                ExplainRefusal(l, commentLine);
                return;
            case Kind::closing:
                ExplainClosing(l);
                return;
            case Kind::text:
                if (IsElementTheBootstrapperReads(W(l.name)))
                    Add(l.line,
                        L"<" + W(l.name) +
                            L"> is written with its closing tag on the same line; the reader takes such a line as a "
                            L"text "
                            L"and creates no element, so its attributes are lost",
                        L"write it as a self-closing tag, <" + W(l.name) + L" a=\"...\" b=\"...\"/>, or put </" +
                            W(l.name) + L"> on a line of its own");
                return;
            case Kind::opening:
                ExplainOpening(l);
                return;
        }
    }

    void ExplainRefusal(const OvSettingsLine& l, unsigned commentLine)
    {
        const std::wstring& t = W(l.text);
        switch (l.refusal) {
            case Refusal::none:
            case Refusal::notATag:
                break;
            case Refusal::closingWithoutOpen:
                if (rootClosedLine_ != 0)
                    return Reject(l.line,
                                  L"a closing tag after the root element closed on line " + Number(rootClosedLine_) +
                                      L" (a stray closing tag)",
                                  L"remove this closing tag, or the one that closed the root too early");
                return Reject(l.line, L"a closing tag before any element was opened (a stray closing tag)",
                              L"remove this closing tag");
            case Refusal::textWithoutOpen:
                return Reject(l.line, L"an element with text outside the root element",
                              L"move it inside the root element");
            case Refusal::secondRoot:
                return Reject(l.line,
                              L"a second top-level element <" + W(l.name) +
                                  L"> after the root element closed on line " + Number(rootClosedLine_),
                              L"keep every element inside the one root element");
        }
        if (l.continuation)
            return Reject(l.line,
                          L"the rest of the line after its first " + Number(readBefore_) +
                              L" characters does not start with \"<\"",
                          L"break the line so that every line stays under 1000 characters");
        if (l.line == 1 && t.size() >= 3 && t[0] == 0xEF && t[1] == 0xBB && t[2] == 0xBF)
            return Reject(l.line, L"the file starts with a UTF-8 byte order mark, which the reader takes as text",
                          L"save the file as UTF-8 without a byte order mark (or as plain ASCII)");
        if (l.line == 1 && t.size() >= 2 && ((t[0] == 0xFF && t[1] == 0xFE) || (t[0] == 0xFE && t[1] == 0xFF)))
            return Reject(l.line,
                          L"the file is UTF-16 (it starts with a byte order mark); the reader reads 8-bit text only",
                          L"save the file as UTF-8 without a byte order mark (or as plain ASCII)");
        if (commentLine != 0)
            return Reject(l.line,
                          L"this line continues the comment opened on line " + Number(commentLine) +
                              L"; the reader takes every line on its own and this one does not start with \"<\"",
                          L"put the whole comment on one line: <!-- ... -->");
        if (t[0] == L'\t')
            return Reject(l.line, L"the line is indented with a tab; only spaces are trimmed",
                          L"indent with spaces only");
        if (t[0] == L'\r')
            return Reject(l.line, L"the line starts with a carriage return that is not followed by a line feed",
                          L"end lines with CR LF or LF only");
        Reject(l.line,
               L"the line does not start with \"<\" (" + Quote(t.substr(0, std::min<std::size_t>(t.size(), 20))) +
                   L"): text outside a tag, or a tag broken over two lines",
               L"put each tag on one line of its own, starting with \"<\"");
    }

    void ExplainClosing(const OvSettingsLine& l)
    {
        std::wstring written = Body(l).substr(2);
        written = written.substr(0, written.find_first_of(L" \t>"));
        // A name that took in what follows the tag is explained where it was opened.
        if (written != W(l.name) && !TookInTheTagEnd(W(l.name)))
            Add(l.line,
                L"</" + written + L"> closes <" + W(l.name) + L"> opened on line " + Number(l.openedOn) +
                    L" (the reader does not compare the names), so the elements nest differently from what is "
                    L"written",
                L"close <" + W(l.name) + L"> with </" + W(l.name) + L">, or close the elements in order");
        if (l.depth == 0) rootClosedLine_ = l.line;
    }

    // A name that holds the tag's own end: the tag had no attributes and a blank after it.
    static bool TookInTheTagEnd(const std::wstring& name) { return name.find(L'>') != std::wstring::npos; }

    void ExplainOpening(const OvSettingsLine& l)
    {
        ElementReport element{l.line, W(l.name), {}};
        for (const OvSettingsLine::Attribute& a : l.attributes)
            element.attributes[a.name] = a.value;
        scan_.elements.push_back(element);
        if (l.selfClosing && l.depth == 0) rootClosedLine_ = l.line;

        if (TookInTheTagEnd(W(l.name))) {
            std::wstring meant = W(l.name).substr(0, W(l.name).find_first_of(L"/>"));
            bool used = IsElementTheBootstrapperReads(meant);
            Add(l.line,
                L"the tag <" + meant + (l.selfClosing ? L"/>" : L">") +
                    L" is followed by a blank; without attributes the reader ends the name at the first blank, so "
                    L"the element is named " +
                    Quote(W(l.name)) +
                    (used ? L" and the bootstrapper does not find a <" + meant + L"> element there" +
                                (OvMsiString(meant).CompareIgnoreCase(L"product") == 0
                                     ? std::wstring(L": it does not see this product")
                                     : std::wstring(L": the product that holds it is skipped"))
                          : std::wstring()),
                L"remove the blanks after the tag: <" + meant + (l.selfClosing ? L"/>" : L">"),
                used ? Severity::error : Severity::note);
        }
        std::wstring tag = Body(l).substr(1);
        CompareAttributes(W(l.name), tag, element.attributes, l.line);
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
        for (std::size_t i = 0; i < written.size(); ++i) {
            const Attribute& a = written[i];
            auto got = read.find(a.name);
            if (got != read.end() && got->second == a.value) continue;
            if (got == read.end()) {
                // The reader took the blanks before it into the name.
                auto blanked = std::find_if(read.begin(), read.end(), [&a](const auto& r) {
                    std::size_t start = r.first.find_first_not_of(L' ');
                    return start != 0 && start != std::wstring::npos && r.first.substr(start) == a.name;
                });
                if (blanked != read.end()) {
                    Add(line,
                        std::wstring(i == 0 ? L"two or more blanks before the first attribute ("
                                            : L"two or more blanks before attribute (") +
                            a.name + L"): the reader keeps the blanks after the first in the name, " +
                            Quote(blanked->first) + L", so " + a.name + L" is not found (it reads as empty)",
                        L"write one blank before each attribute: <" + name + L" " + a.name + L"=" + Quote(a.value) +
                            L" ...",
                        severity);
                    continue;
                }
            }
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
                    a.name == L"value" ? L"keep \"=\" out of values (rename the file or folder)"
                                       : L"keep \"=\" out of values",
                    severity);
            } else {
                Add(line, L"the reader misreads attribute " + a.name + L"=" + Quote(a.value) + L" and " + gotText,
                    L"write each attribute as name=\"value\" in double quotes, separated by one space", severity);
            }
        }
    }

    std::wstring file_;
    SettingsScan scan_;
    unsigned rootClosedLine_ = 0;
    unsigned commentLine_ = 0;
    std::size_t readBefore_ = 0;  // characters of the line read before the read at hand
};

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
    std::unique_ptr<OvSetupLib::OvMsiPackage> package;
    try {
        package = std::make_unique<OvSetupLib::OvMsiPackage>(full);
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
            *p.value = package->ReadValue(p.query);
        } catch (const OvSetupLib::OvWinError& e) {
            add(L"the package " + Quote(path) + L" has no " + p.name + L" property (" + ErrorText(e) +
                    L"); the bootstrapper stops with an error when it reads it",
                std::wstring(L"give the package a ") + p.name + L" in its Property table");
        }
    }
}

SettingsScan Explain(const OvSetupLib::OvSettingsAccount& account, bool loaded, const std::wstring& file)
{
    return Explainer(file).Run(account, loaded);
}

void CheckSettingsFile(const std::wstring& root, const std::wstring& file, MediaReport& report)
{
    std::wstring full = root + file;
    OvSetupLib::OvSettingsAccount account;
    std::unique_ptr<OvSetupLib::OvXmlDocument> document;
    if (Kind(full) == PathKind::file) document = std::make_unique<OvSetupLib::OvXmlDocument>(full, account);
    if (!account.opened) {
        report.findings.push_back(Finding{Severity::error, file, 0,
                                          L"the settings file is missing or cannot be read: the bootstrapper then "
                                          L"checks no installed products for it, without a word",
                                          L"put " + file + L" in the media root"});
        return;
    }
    SettingsScan scan = Explain(account, document->IsLoaded(), file);
    report.findings.insert(report.findings.end(), scan.findings.begin(), scan.findings.end());
    if (!document->IsLoaded()) {
        report.settingsNotLoaded.push_back(file);
        return;
    }
    report.settingsLoaded.push_back(file);

    // A file of nothing but declarations and comments loads without a root.
    std::vector<OvSetupLib::OvXmlElement*> elements = OvBootstrapHelper::FindProductElements(*document);
    for (OvSetupLib::OvXmlElement* element : elements) {
        ProductReport product;
        product.file = file;
        product.line = element->GetLine();
        if (!OvBootstrapHelper::ReadProductEntry(*element, product.entry)) {
            report.findings.push_back(
                Finding{Severity::error, file, product.line,
                        L"product " + Quote(element->GetAttribute(L"name")) +
                            L" has no msi element holding a path element: the bootstrapper skips it",
                        L"add <msi name=\"...\" kind=\"...\"> with <path value=\"...\" kind=\"package\"/> and </msi> "
                        L"inside the product"});
            continue;
        }
        for (const OvMsiString& code : product.entry.upgradeCodes) {
            if (!IsBracedGuid(code))
                report.findings.push_back(
                    Finding{Severity::error, file, product.line,
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

bool SamePackage(const ProductReport& a, const ProductReport& b)
{
    if (OvMsiString(a.entry.msiPath).CompareIgnoreCase(b.entry.msiPath.c_str()) == 0) return true;
    return !a.upgradeCode.empty() && OvMsiString(a.upgradeCode).CompareIgnoreCase(b.upgradeCode.c_str()) == 0;
}

// The companion-first condition of the main product compares the companion's installed
// versions with the package of one product entry of the main product's settings file, chosen
// by its place: the condition's own kCompanionEntryIndex.
constexpr std::size_t kCompanionEntry = OvBootstrapHelper::kCompanionEntryIndex;

void CheckCompanionFirst(MediaReport& report)
{
    const std::wstring mainFile = kSettingsFiles[0];
    if (std::find(report.settingsLoaded.begin(), report.settingsLoaded.end(), mainFile) == report.settingsLoaded.end())
        return;
    std::vector<const ProductReport*> main, companion;
    for (const ProductReport& p : report.products)
        (p.file == mainFile ? main : companion).push_back(&p);
    if (main.empty()) return;  // the file holds no product entry: said already
    std::wstring name = companion.empty() || companion.front()->entry.name.empty()
                            ? std::wstring(L"the companion product")
                            : static_cast<const std::wstring&>(companion.front()->entry.name);
    // The first of the main file's entries whose package is a package of the companion's file.
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t at = kNone;
    for (std::size_t i = 0; i < main.size() && at == kNone; ++i)
        for (const ProductReport* c : companion)
            if (SamePackage(*main[i], *c)) at = i;
    if (at == kCompanionEntry) return;
    const std::wstring rule = L"the companion-first check compares the installed " + name +
                              L" with the package of the second product entry of " + mainFile;
    const std::wstring fix = L"put " + name +
                             L"'s product element second among the product elements that name a package, after the "
                             L"main product's";
    if (main.size() <= kCompanionEntry) {
        if (at != kNone)
            report.findings.push_back(Finding{Severity::error, mainFile, main[at]->line,
                                              L"product " + Quote(main[at]->entry.name) + L" is entry " +
                                                  Number(at + 1) + L": " + rule + L", and this file has " +
                                                  Number(main.size()) +
                                                  L", so setup never checks that it was upgraded first",
                                              fix});
        else
            report.findings.push_back(Finding{Severity::note, mainFile, 0,
                                              rule + L", and this file has " + Number(main.size()) +
                                                  L" product entry: setup does not check that " + name +
                                                  L" was upgraded first",
                                              fix});
        return;
    }
    if (companion.empty()) return;  // which package is the companion's is not known
    const ProductReport& used = *main[kCompanionEntry];
    report.findings.push_back(Finding{Severity::error, mainFile, used.line,
                                      rule + L", here product " + Quote(used.entry.name) + L" (" +
                                          Quote(used.entry.msiPath) + L"), not " + name + L"'s package" +
                                          (at != kNone ? L" (product " + Quote(main[at]->entry.name) + L" is entry " +
                                                             Number(at + 1) + L", line " + Number(main[at]->line) + L")"
                                                       : std::wstring(L": no product entry names it")),
                                      fix});
}
std::string Line(const std::wstring& w)
{
    return ToUtf8(w) + "\n";
}
}  // namespace

SettingsScan ScanSettingsFile(const std::wstring& path, const std::wstring& file)
{
    OvSetupLib::OvSettingsAccount account;
    OvSetupLib::OvXmlDocument document(path, account);
    return Explain(account, document.IsLoaded(), file);
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
    CheckCompanionFirst(report);
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
