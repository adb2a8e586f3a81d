#include "setup_lib/OvXmlDocument.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <string>

using OvSetupLib::OvXmlDocument;
using OvSetupLib::OvXmlElement;

namespace
{
const wchar_t* const kPath = L"C:\\Media\\Settings.xml";

class XmlTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    std::unique_ptr<OvXmlDocument> Load(const std::string& bytes)
    {
        winsim::M().WriteFile(kPath, bytes);
        return std::make_unique<OvXmlDocument>(kPath);
    }
};

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
    std::vector<std::pair<std::wstring, std::wstring>> expected;  // exact attribute set
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
        {"later same name replaces", "<e a=\"1\" a=\"2\">", {{L"a", L"2"}}, false},
        {"a bare word joins the first name", "<e flag a=\"1\" b=\"2\">", {{L"flag a", L"1"}, {L"b", L"2"}}, false},
        {"empty value skipped", "<e a=\"\" b=\"2\">", {{L"b", L"2"}}, false},
        // The name and value are the first two "=" fields of a piece: a piece with an empty
        // value has one field and is skipped, so an earlier value stays.
        {"empty value leaves an earlier one", "<e a=\"1\" a=\"\" b=\"2\">", {{L"a", L"1"}, {L"b", L"2"}}, false},
        {"value starting with = is empty", "<e a=\"1\" a=\"=x\" b=\"2\">", {{L"a", L""}, {L"b", L"2"}}, false},
        {"no name before =", "<e a=\"1\" \"=v\" b=\"2\">", {{L"a", L"1"}, {L"", L"v"}, {L"b", L"2"}}, false},
        {"no space, name only", "<e>", {}, false},
    };
    for (const auto& c : cases) {
        auto doc = Load("<root>\n" + c.line + "\n" + (c.selfClosing ? "" : "</e>\n") + "</root>\n");
        ASSERT_TRUE(doc->IsLoaded()) << c.what;
        auto found = doc->GetRoot()->FindElements(L"e");
        ASSERT_EQ(found.size(), 1u) << c.what;
        OvXmlElement* e = found.front();
        EXPECT_EQ(e->GetName(), L"e") << c.what;
        EXPECT_EQ(e->GetParent(), doc->GetRoot()) << c.what;
        for (const auto& kv : c.expected) {
            EXPECT_EQ(e->GetAttribute(kv.first), kv.second) << c.what << ": " << winsim::Narrow(kv.first);
        }
        for (const wchar_t* other : {L"a", L"b", L"c", L"d", L"value", L"kind", L"flag", L"q"}) {
            bool listed = false;
            for (const auto& kv : c.expected)
                listed = listed || kv.first == other;
            if (!listed) {
                EXPECT_EQ(e->GetAttribute(other), L"") << c.what << ": " << winsim::Narrow(other);
            }
        }
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
}  // namespace
