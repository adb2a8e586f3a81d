#include "setup_lib/OvXmlDocument.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

using OvSetupLib::OvSettingsAccount;
using OvSetupLib::OvSettingsLine;
using OvSetupLib::OvXmlDocument;
using OvSetupLib::OvXmlElement;

namespace
{
const wchar_t* const kPath = L"C:\\Media\\Settings.xml";

class XmlTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    // Loads from the file, and checks that the same bytes read from memory give the same.
    std::unique_ptr<OvXmlDocument> Load(const std::string& bytes)
    {
        winsim::M().WriteFile(kPath, bytes);
        auto loaded = std::make_unique<OvXmlDocument>(kPath);
        const OvXmlDocument fromBytes(bytes);
        EXPECT_EQ(fromBytes.IsLoaded(), loaded->IsLoaded());
        EXPECT_EQ(Tree(fromBytes.GetRoot()), Tree(loaded->GetRoot()));
        return loaded;
    }

    // Loads with the account and checks that the account changes nothing of the result.
    std::unique_ptr<OvXmlDocument> Told(const std::string& bytes, OvSettingsAccount& account)
    {
        auto plain = Load(bytes);
        auto told = std::make_unique<OvXmlDocument>(kPath, account);
        EXPECT_EQ(told->IsLoaded(), plain->IsLoaded());
        EXPECT_EQ(Tree(told->GetRoot()), Tree(plain->GetRoot()));
        return told;
    }

    // Every element with its line, attributes and texts, in document order.
    static std::wstring Tree(const OvXmlElement* root)
    {
        std::wstring out;
        std::vector<std::pair<const OvXmlElement*, int>> pending;
        if (root != nullptr) pending.push_back({root, 0});
        while (!pending.empty()) {
            auto [e, depth] = pending.back();
            pending.pop_back();
            // The depth as a number: indenting 100,000 levels would not fit in memory.
            out += std::to_wstring(depth) + L" " + static_cast<const std::wstring&>(e->GetName()) + L"@" +
                   std::to_wstring(e->GetLine());
            for (const auto& a : e->GetAttributes())
                out += L" [" + static_cast<const std::wstring&>(a.first) + L"]=[" +
                       static_cast<const std::wstring&>(a.second) + L"]";
            out += L"\n";
            for (auto it = e->GetChildren().rbegin(); it != e->GetChildren().rend(); ++it)
                pending.push_back({it->get(), depth + 1});
        }
        return out;
    }
};

using Kind = OvSettingsLine::Kind;
using Refusal = OvSettingsLine::Refusal;
using Taken = std::vector<std::pair<std::wstring, std::wstring>>;

Taken TakenOf(const OvSettingsLine& line)
{
    Taken taken;
    for (const auto& a : line.attributes)
        taken.emplace_back(a.name, a.value);
    return taken;
}

struct LoadCase {
    const char* what;
    std::string bytes;
    bool loads;
};

TEST_F(XmlTest, AcceptsAndRejectsLinesByTheirFirstCharacters)
{
    const LoadCase cases[] = {
        {"declaration, root and children", "<?xml version=\"1.0\"?>\n<root>\n  <a x=\"1\" y=\"2\"/>\n</root>\n", true},
        {"CR LF line ends", "<root>\r\n  <a/>\r\n</root>\r\n", true},
        {"last line without line feed", "<root>\n</root>   ", true},
        {"blank line of spaces", "<root>\n      \n</root>\n", true},
        {"comment and doctype lines", "<!-- c -->\n<!DOCTYPE x>\n<root>\n</root>\n<!-- after -->\n", true},
        {"element with text", "<root>\n<name>Keldora</name>\n</root>\n", true},
        {"tab indentation", "<root>\n\t<a/>\n</root>\n", false},
        {"text outside a tag", "<root>\nhello\n</root>\n", false},
        {"comment over two lines", "<root>\n<!-- one\n two -->\n</root>\n", false},
        {"closing tag first", "</root>\n<root>\n</root>\n", false},
        {"second closing tag", "<root>\n</root>\n</root>\n", false},
        {"root left open", "<root>\n<a>\n</a>\n", false},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF<root>\n</root>\n", false},
        {"second root after the first closed", "<root>\n</root>\n<other>\n</other>\n", false},
        {"text element before any root", "<name>x</name>\n<root>\n</root>\n", false},
        {"self-closing root", "<root a=\"1\" b=\"2\"/>\n", true},
        {"0x1A ends the file", "<root>\n</root>\n\x1A garbage\n", true},
        {"empty file", "", true},
        {"closing name differs", "<root>\n<a>\n</b>\n</root>\n", true},
        {"truncated mid-tag", "<root>\n  <product name=\"K", false},
    };
    for (const auto& c : cases) {
        auto doc = Load(c.bytes);
        EXPECT_EQ(doc->IsLoaded(), c.loads) << c.what;
    }
}

TEST_F(XmlTest, EmptyFileLoadsWithoutRootAndMissingFileDoesNot)
{
    auto empty = Load("");
    EXPECT_TRUE(empty->IsLoaded());
    EXPECT_EQ(empty->GetRoot(), nullptr);
    OvXmlDocument missing(L"C:\\Media\\Absent.xml");
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_EQ(missing.GetRoot(), nullptr);
}

TEST_F(XmlTest, RejectedLineClearsTheTree)
{
    auto doc = Load("<root>\n<a>\n<b/>\n</a>\nstray\n</root>\n");
    EXPECT_FALSE(doc->IsLoaded());
    ASSERT_NE(doc->GetRoot(), nullptr);
    EXPECT_TRUE(doc->GetRoot()->GetChildren().empty());
}

struct AttributeCase {
    const char* what;
    std::string line;
    Taken expected;  // the attributes taken, in order; the element keeps the last of each name
    bool selfClosing;
};

TEST_F(XmlTest, AttributeRules)
{
    const AttributeCase cases[] = {
        {"two attributes", "<e a=\"1\" b=\"2\">", {{L"a", L"1"}, {L"b", L"2"}}, false},
        {"single attribute yields none", "<e a=\"1\">", {}, false},
        {"single self-closing yields none", "<e a=\"1\"/>", {}, true},
        {"single with a blank before >", "<e a=\"1\" >", {{L"a", L"1"}}, false},
        {"spaces around =",
         "<e a = \"1\" b =\"2\" c= \"3\" d  =  \"4\">",
         {{L"a", L"1"}, {L"b", L"2"}, {L"c", L"3"}, {L"d", L"4"}},
         false},
        {"value with spaces",
         "<e value=\"Packages\\My Product\\k.msi\" kind=\"x\"/>",
         {{L"value", L"Packages\\My Product\\k.msi"}, {L"kind", L"x"}},
         true},
        {"value cut at =", "<e a=\"x=y\" b=\"2\">", {{L"a", L"x"}, {L"b", L"2"}}, false},
        {"quote and space inside a value splits", "<e a=\"p\" q\" b=\"2\">", {{L"a", L"p"}, {L"b", L"2"}}, false},
        {"space before />", "<e a=\"1\" b=\"2\" />", {{L"a", L"1"}, {L"b", L"2"}}, true},
        {"/> anywhere closes", "<e a=\"x/>y\" b=\"2\">", {{L"a", L"x/>y"}, {L"b", L"2"}}, true},
        {"later same name replaces", "<e a=\"1\" a=\"2\">", {{L"a", L"1"}, {L"a", L"2"}}, false},
        {"a bare word joins the first name", "<e flag a=\"1\" b=\"2\">", {{L"flag a", L"1"}, {L"b", L"2"}}, false},
        {"empty value skipped", "<e a=\"\" b=\"2\">", {{L"b", L"2"}}, false},
        // The name and value are the first two "=" fields of a piece: a piece with an empty
        // value has one field and is skipped, so an earlier value stays.
        {"empty value leaves an earlier one", "<e a=\"1\" a=\"\" b=\"2\">", {{L"a", L"1"}, {L"b", L"2"}}, false},
        {"value starting with = is empty",
         "<e a=\"1\" a=\"=x\" b=\"2\">",
         {{L"a", L"1"}, {L"a", L""}, {L"b", L"2"}},
         false},
        {"minimum written with =", "<e minver=\"=2\" b=\"2\">", {{L"minver", L""}, {L"b", L"2"}}, false},
        {"two blanks before the first attribute",
         "<e  name=\"K\" minver=\"6.0\">",
         {{L" name", L"K"}, {L"minver", L"6.0"}},
         false},
        {"no name before =", "<e a=\"1\" \"=v\" b=\"2\">", {{L"a", L"1"}, {L"", L"v"}, {L"b", L"2"}}, false},
        {"no space, name only", "<e>", {}, false},
    };
    for (const auto& c : cases) {
        OvSettingsAccount account;
        auto doc = Told("<root>\n" + c.line + "\n" + (c.selfClosing ? "" : "</e>\n") + "</root>\n", account);
        ASSERT_TRUE(doc->IsLoaded()) << c.what;
        auto found = doc->GetRoot()->FindElements(L"e");
        ASSERT_EQ(found.size(), 1u) << c.what;
        OvXmlElement* e = found.front();
        EXPECT_EQ(e->GetName(), L"e") << c.what;
        EXPECT_EQ(e->GetParent(), doc->GetRoot()) << c.what;
        ASSERT_GE(account.lines.size(), 2u) << c.what;
        const OvSettingsLine& told = account.lines[1];
        EXPECT_EQ(told.kind, Kind::opening) << c.what;
        EXPECT_EQ(told.selfClosing, c.selfClosing) << c.what;
        EXPECT_EQ(TakenOf(told), c.expected) << c.what;
        std::map<std::wstring, std::wstring> kept;
        for (const auto& kv : c.expected)
            kept[kv.first] = kv.second;
        std::map<std::wstring, std::wstring> held(e->GetAttributes().begin(), e->GetAttributes().end());
        EXPECT_EQ(held, kept) << c.what;
    }
}

TEST_F(XmlTest, SelfClosingAndNestingShapeTheTree)
{
    auto doc = Load(
        "<Settings>\n"
        "  <product name=\"K\" minver=\"6.0\">\n"
        "    <msi kind=\"main\" os=\"x64\">\n"
        "      <path value=\"k.msi\" arch=\"x64\" />\n"
        "    </msi>\n"
        "    <Title>Keldora Server</Title>\n"
        "  </product>\n"
        "  <Product name=\"M\" minver=\"6.5\"/>\n"
        "</Settings>\n");
    ASSERT_TRUE(doc->IsLoaded());
    OvXmlElement* root = doc->GetRoot();
    ASSERT_EQ(root->GetChildren().size(), 2u);
    OvXmlElement* product = root->GetChildren()[0].get();
    EXPECT_EQ(product->GetName(), L"product");
    EXPECT_EQ(product->GetText(L"Title"), L"Keldora Server");
    ASSERT_EQ(product->GetChildren().size(), 1u);
    EXPECT_EQ(product->GetChildren()[0]->GetChildren()[0]->GetAttribute(L"value"), L"k.msi");
    EXPECT_EQ(root->GetChildren()[1]->GetName(), L"Product");
    EXPECT_TRUE(root->GetChildren()[1]->GetChildren().empty());
}

TEST_F(XmlTest, FindElementsIsPreOrderAndIgnoresCase)
{
    auto doc = Load(
        "<Item id=\"root\" n=\"0\">\n"
        "  <item id=\"a\" n=\"1\">\n"
        "    <ITEM id=\"a1\" n=\"2\"/>\n"
        "  </item>\n"
        "  <other id=\"o\" n=\"3\">\n"
        "    <item id=\"o1\" n=\"4\"/>\n"
        "  </other>\n"
        "  <item id=\"b\" n=\"5\"/>\n"
        "</Item>\n");
    ASSERT_TRUE(doc->IsLoaded());
    std::vector<std::wstring> ids;
    for (auto* e : doc->GetRoot()->FindElements(L"iTeM"))
        ids.push_back(e->GetAttribute(L"id"));
    EXPECT_EQ(ids, (std::vector<std::wstring>{L"root", L"a", L"a1", L"o1", L"b"}));
    EXPECT_TRUE(doc->GetRoot()->FindElements(L"missing").empty());
    // Attribute names are exact.
    EXPECT_EQ(doc->GetRoot()->GetAttribute(L"ID"), L"");
    EXPECT_EQ(doc->GetRoot()->FindElements(L"other").front()->FindElements(L"item").size(), 1u);
}

TEST_F(XmlTest, BytesWidenOneToOne)
{
    auto doc = Load("<root a=\"\xE9t\xE9\" b=\"\xFF\" c=\"x\ry\">\n</root>\n");
    ASSERT_TRUE(doc->IsLoaded());
    EXPECT_EQ(doc->GetRoot()->GetAttribute(L"a"), std::wstring({wchar_t(0xE9), L't', wchar_t(0xE9)}));
    EXPECT_EQ(doc->GetRoot()->GetAttribute(L"b"), std::wstring(1, wchar_t(0xFF)));
    EXPECT_EQ(doc->GetRoot()->GetAttribute(L"c"), L"x\ry");  // a carriage return alone stays
}

TEST_F(XmlTest, LongLinesAreReadInPiecesOf999)
{
    // 1500 characters before the line feed: the second piece starts with 'y', not '<'.
    std::string longLine = "<root a=\"" + std::string(1500 - 9, 'y');
    EXPECT_FALSE(Load(longLine + "\n</root>\n")->IsLoaded());

    // The split falls where the second piece starts a tag.
    std::string opener = "<root>" + std::string(993, ' ');
    ASSERT_EQ(opener.size(), 999u);
    auto doc = Load(opener + "<child/>\n</root>\n");
    EXPECT_TRUE(doc->IsLoaded());
    ASSERT_NE(doc->GetRoot(), nullptr);
    EXPECT_EQ(doc->GetRoot()->FindElements(L"child").size(), 1u);
}

TEST_F(XmlTest, BadInputHasADefinedResult)
{
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>((i * 37 + 11) & 0xFF));
    EXPECT_FALSE(Load(binary)->IsLoaded());

    std::string huge = "<root>\n" + std::string(10 * 1024 * 1024, 'z') + "\n</root>\n";
    EXPECT_FALSE(Load(huge)->IsLoaded());

    std::string many = "<root>\n";
    for (int i = 0; i < 100000; ++i)
        many += "  <e a=\"1\" b=\"2\"/>\n";
    many += "</root>\n";
    auto doc = Load(many);
    EXPECT_TRUE(doc->IsLoaded());
    EXPECT_EQ(doc->GetRoot()->GetChildren().size(), 100000u);

    // 100,000 nested elements: loading, searching and releasing must not recurse per level.
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<d>\n";
    for (int i = 0; i < 100000; ++i)
        deep += "</d>\n";
    auto nested = Load(deep);
    EXPECT_TRUE(nested->IsLoaded());
    EXPECT_EQ(nested->GetRoot()->FindElements(L"d").size(), 100000u);
    nested.reset();

    std::string wide = "<root>\n";
    for (int i = 0; i < 20; ++i)
        wide += std::string(5000, 'w') + "\n";
    wide += "</root>\n";
    EXPECT_FALSE(Load(wide)->IsLoaded());

    // Truncated tags open elements that are never closed.
    EXPECT_FALSE(Load("<root>\n<\n</root>\n")->IsLoaded());
    EXPECT_FALSE(Load("<")->IsLoaded());
    EXPECT_FALSE(Load("<root>\n<a b=\n</root>\n")->IsLoaded());
}

// The account names what each read became, the element it made or closed and the line it
// stands on, and where the load stopped.
TEST_F(XmlTest, AccountTellsWhatEachLineBecame)
{
    struct Expect {
        unsigned line;
        Kind kind;
        const wchar_t* name;
        std::size_t depth;
        Refusal refusal = Refusal::none;
    };
    const struct {
        const char* what;
        std::string bytes;
        bool loads;
        std::vector<Expect> lines;
    } cases[] = {
        {"every kind of line",
         "<?xml version=\"1.0\"?>\r\n<root>\n\n   \n  <!-- c -->\n  <a x=\"1\" y=\"2\"/>\n  <t>text</t>\n  "
         "<b>\n  </c>\n</root>\n",
         true,
         {{1, Kind::instruction, L"", 0},
          {2, Kind::opening, L"root", 1},
          {3, Kind::blank, L"", 1},
          {4, Kind::blank, L"", 1},
          {5, Kind::instruction, L"", 1},
          {6, Kind::opening, L"a", 1},
          {7, Kind::text, L"t", 1},
          {8, Kind::opening, L"b", 2},
          {9, Kind::closing, L"b", 1},  // the name written is not compared
          {10, Kind::closing, L"root", 0}}},
        {"a blank after the tag",
         "<root>\n  <msi> \n  </msi>\n</root>\n",
         true,
         {{1, Kind::opening, L"root", 1},
          {2, Kind::opening, L"msi>", 2},
          {3, Kind::closing, L"msi>", 1},
          {4, Kind::closing, L"root", 0}}},
        {"tab",
         "<root>\n\t<a/>\n</root>\n",
         false,
         {{1, Kind::opening, L"root", 1}, {2, Kind::refused, L"", 0, Refusal::notATag}}},
        {"stray closing tag",
         "<root>\n</root>\n</root>\n",
         false,
         {{1, Kind::opening, L"root", 1},
          {2, Kind::closing, L"root", 0},
          {3, Kind::refused, L"", 0, Refusal::closingWithoutOpen}}},
        {"text before the root", "<t>x</t>\n", false, {{1, Kind::refused, L"", 0, Refusal::textWithoutOpen}}},
        {"second root",
         "<root/>\n<other a=\"1\" b=\"2\">\n",
         false,
         {{1, Kind::opening, L"root", 0}, {2, Kind::refused, L"other", 0, Refusal::secondRoot}}},
    };
    for (const auto& c : cases) {
        OvSettingsAccount account;
        auto doc = Told(c.bytes, account);
        EXPECT_TRUE(account.opened) << c.what;
        EXPECT_EQ(doc->IsLoaded(), c.loads) << c.what;
        ASSERT_EQ(account.lines.size(), c.lines.size()) << c.what;
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            const OvSettingsLine& got = account.lines[i];
            const Expect& want = c.lines[i];
            EXPECT_EQ(got.line, want.line) << c.what << " #" << i;
            EXPECT_EQ(got.kind, want.kind) << c.what << " #" << i;
            EXPECT_EQ(got.name, want.name) << c.what << " #" << i;
            EXPECT_EQ(got.depth, want.depth) << c.what << " #" << i;
            EXPECT_EQ(got.refusal, want.refusal) << c.what << " #" << i;
            EXPECT_FALSE(got.continuation || got.cut) << c.what << " #" << i;
        }
        EXPECT_TRUE(account.openAtEnd.empty()) << c.what;
    }

    OvSettingsAccount account;
    auto doc = Told("<root>\n  <b>\n  <t>Keldora</t>\n</root>\n", account);
    EXPECT_EQ(account.lines[2].textValue, L"Keldora");
    EXPECT_EQ(account.lines[3].name, L"b");
    EXPECT_EQ(account.lines[3].openedOn, 2u);
    ASSERT_EQ(account.openAtEnd.size(), 1u);  // the root stays open
    EXPECT_EQ(account.openAtEnd[0].name, L"root");
    EXPECT_EQ(account.openAtEnd[0].line, 1u);
    EXPECT_EQ(doc->GetRoot()->GetLine(), 1u);
    EXPECT_EQ(doc->GetRoot()->GetChildren().front()->GetLine(), 2u);

    OvXmlDocument missing(L"C:\\Media\\Absent.xml", account);
    EXPECT_FALSE(account.opened);
    EXPECT_TRUE(account.lines.empty());
}

TEST_F(XmlTest, AccountOfPiecesAndReadsOfLongLines)
{
    OvSettingsAccount account;
    // A piece with no "=" and an empty value are skipped; the attributes are read only after a blank.
    Told("<root>\n<e a=\"1\" flag\" b=\"\" c=\"3\"/>\n<f a=\"1\"/>\n</root>\n", account);
    ASSERT_EQ(account.lines.size(), 4u);
    EXPECT_EQ(TakenOf(account.lines[1]), (Taken{{L"a", L"1"}, {L"c", L"3"}}));
    EXPECT_EQ(account.lines[1].piecesSkipped, (std::vector<OvSetupLib::OvMsiString>{L"flag", L"b="}));
    EXPECT_TRUE(account.lines[1].piecesRead);
    EXPECT_TRUE(account.lines[2].piecesRead);
    EXPECT_TRUE(account.lines[2].attributes.empty());
    EXPECT_TRUE(account.lines[0].attributes.empty());
    EXPECT_FALSE(account.lines[0].piecesRead);

    // 1500 characters and a line feed: reads of 999 and 502, both on line 2.
    std::string opener = "<root>" + std::string(993, ' ');
    Told("<top>\n" + opener + std::string(501, ' ') + "\n</top>\n", account);
    ASSERT_EQ(account.lines.size(), 4u);
    EXPECT_EQ(account.lines[1].line, 2u);
    EXPECT_EQ(account.lines[1].length, 999u);
    EXPECT_TRUE(account.lines[1].cut);
    EXPECT_FALSE(account.lines[1].continuation);
    EXPECT_EQ(account.lines[2].line, 2u);
    EXPECT_EQ(account.lines[2].length, 502u);
    EXPECT_TRUE(account.lines[2].continuation);
    EXPECT_FALSE(account.lines[2].cut);
    EXPECT_EQ(account.lines[2].kind, Kind::blank);
    EXPECT_EQ(account.lines[3].line, 3u);
    EXPECT_EQ(account.lines[3].name, L"root");  // the root's child, opened on line 2, is closed
    EXPECT_EQ(account.openAtEnd.size(), 1u);

    // A byte order mark reaches the account as the characters the reader saw.
    Told("\xEF\xBB\xBF<root>\n</root>\n", account);
    ASSERT_EQ(account.lines.size(), 1u);
    EXPECT_EQ(account.lines[0].refusal, Refusal::notATag);
    EXPECT_EQ(account.lines[0].text.substr(0, 3), std::wstring({wchar_t(0xEF), wchar_t(0xBB), wchar_t(0xBF)}));
}
}  // namespace
