#include "MachineFile.h"
#include "MediaCheck.h"
#include "setup_lib/OvXmlDocument.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using OvMediaCheck::Finding;
using OvMediaCheck::MediaReport;
using OvMediaCheck::Severity;

namespace
{
const char kGoodSettings[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<settings product=\"Keldora\" version=\"7.0\">\n"
    "  <product name=\"Keldora\" upgradecode=\"{2D7E4F10-6A5B-4C3D-8E9F-0A1B2C3D4E5F}\" minver=\"6.0\" "
    "AllowRevisionUpgrade=\"TRUE\">\n"
    "    <msi name=\"server\" kind=\"x64\">\n"
    "      <path value=\"Packages\\Keldora.msi\" kind=\"package\"/>\n"
    "    </msi>\n"
    "  </product>\n"
    "  <product name=\"Maritane\" minver=\"6.0\" >\n"
    "    <msi name=\"console\" kind=\"x64\">\n"
    "      <path value=\"Packages\\Maritane.msi\" kind=\"package\"/>\n"
    "    </msi>\n"
    "  </product>\n"
    "</settings>\n";

const std::string kFixtures = std::string(OV_SOURCE_DIR) + "/tests/fixtures/settings/";

std::string FixtureText(const std::string& name)
{
    std::ifstream in(kFixtures + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (bytes.str().empty()) throw std::logic_error("no fixture " + name);
    return bytes.str();
}

std::string Replaced(std::string text, const std::string& find, const std::string& by)
{
    std::size_t at = text.find(find);
    if (at == std::string::npos) throw std::logic_error("fixture text lacks " + find);
    return text.replace(at, find.size(), by);
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string Where(const Finding& f)
{
    return OvMediaCheck::ToUtf8(f.file) + ":" + std::to_string(f.line) + ": " + OvMediaCheck::ToUtf8(f.what);
}

std::string All(const MediaReport& r)
{
    std::string s;
    for (auto& f : r.findings)
        s += Where(f) + "\n";
    return s;
}

// A sound media folder (copied from the demo) in a fresh temporary folder, mounted as
// C:\Media\ on a fresh simulated machine.
class MediaCheckTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (auto& c : name)
            if (c == '/') c = '_';
        media_ = fs::temp_directory_path() / ("ov-media-check-" + std::to_string(::getpid())) / name;
        fs::remove_all(media_);
        fs::create_directories(media_);
        fs::copy(OV_DEMO_MEDIA, media_, fs::copy_options::recursive);
        WriteFile(media_ / "KDRSettings.xml", kGoodSettings);
        setupsim::MountMedia(winsim::M(), media_.string());
    }
    void TearDown() override { fs::remove_all(media_); }

    MediaReport Check() { return OvMediaCheck::CheckMedia(L"C:\\Media\\"); }

    // The one finding of the given file and line whose text holds `what`.
    static const Finding* Find(const MediaReport& r, const std::wstring& file, unsigned line, const std::wstring& what)
    {
        for (auto& f : r.findings)
            if (f.file == file && f.line == line && f.what.find(what) != std::wstring::npos) return &f;
        return nullptr;
    }

    winsim::MachineScope machine_;
    fs::path media_;
};

TEST_F(MediaCheckTest, SoundMediaHasNoFindingAndListsWhatTheBootstrapperReads)
{
    MediaReport r = Check();
    EXPECT_TRUE(r.Sound()) << All(r);
    EXPECT_TRUE(r.findings.empty()) << All(r);
    ASSERT_EQ(r.products.size(), 3u);  // KDRSettings.xml's two products, then MTSettings.xml's
    const auto& k = r.products[0];
    EXPECT_EQ(k.file, L"KDRSettings.xml");
    EXPECT_EQ(k.line, 3u);
    EXPECT_EQ(k.entry.name, L"Keldora");
    EXPECT_EQ(k.entry.msiPath, L"Packages\\Keldora.msi");
    ASSERT_EQ(k.entry.upgradeCodes.size(), 1u);
    EXPECT_EQ(k.entry.upgradeCodes[0], L"{2D7E4F10-6A5B-4C3D-8E9F-0A1B2C3D4E5F}");
    EXPECT_EQ(k.entry.minVersion, L"6.0");
    EXPECT_TRUE(k.entry.allowRevisionUpgrade);
    EXPECT_FALSE(k.productVersion.empty());
    EXPECT_EQ(k.upgradeCode.front(), L'{');
    EXPECT_EQ(r.products[1].file, L"KDRSettings.xml");
    EXPECT_EQ(r.products[1].line, 8u);
    EXPECT_EQ(r.products[2].file, L"MTSettings.xml");
    EXPECT_EQ(r.products[2].entry.name, L"Maritane");
    EXPECT_FALSE(r.products[2].entry.allowRevisionUpgrade);

    std::string text = OvMediaCheck::FormatReport(r, "/media/x");
    EXPECT_NE(text.find("KDRSettings.xml:3: product \"Keldora\"\n"
                        "    msi \"Packages\\Keldora.msi\", upgradecode \"{2D7E4F10-6A5B-4C3D-8E9F-0A1B2C3D4E5F}\", "
                        "minver \"6.0\", AllowRevisionUpgrade true\n"
                        "    package ProductVersion \"" +
                        OvMediaCheck::ToUtf8(k.productVersion) + "\""),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("the media is sound"), std::string::npos) << text;
}

// Settings files that the bootstrapper reads wrongly or not at all: where, what, and
// what to write instead, and whether the reader loads the file.
struct SettingsCase {
    const char* name;
    std::string text;
    unsigned line;
    const wchar_t* what;
    const wchar_t* fix;
    bool loads;
};

void PrintTo(const SettingsCase& c, std::ostream* os)
{
    *os << c.name;
}

class SettingsFindingTest : public MediaCheckTest, public ::testing::WithParamInterface<SettingsCase>
{
};

std::string Utf16Le(const std::string& ascii)
{
    std::string out("\xFF\xFE", 2);
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

const std::string kOneAttributePath =
    Replaced(kGoodSettings, "<path value=\"Packages\\Keldora.msi\" kind=\"package\"/>",
             "<path value=\"Packages\\Keldora.msi\"/>");

INSTANTIATE_TEST_SUITE_P(
    Rules, SettingsFindingTest,
    ::testing::Values(
        SettingsCase{"TabIndent", Replaced(kGoodSettings, "  <product", "\t<product"), 3, L"indented with a tab",
                     L"spaces only", false},
        SettingsCase{"Utf8ByteOrderMark", "\xEF\xBB\xBF" + std::string(kGoodSettings), 1, L"UTF-8 byte order mark",
                     L"without a byte order mark", false},
        SettingsCase{"Utf16", Utf16Le(kGoodSettings), 1, L"UTF-16", L"without a byte order mark", false},
        SettingsCase{"CommentOverTwoLines",
                     Replaced(kGoodSettings, "<settings", "<!-- packages of\n   the server -->\n<settings"), 3,
                     L"continues the comment opened on line 2", L"whole comment on one line", false},
        SettingsCase{"CommentOverTwoLinesOpening",
                     Replaced(kGoodSettings, "<settings", "<!-- packages of\n   the server -->\n<settings"), 2,
                     L"does not end on this line", L"whole comment on one line", false},
        SettingsCase{"LongLine", Replaced(kGoodSettings, "name=\"Keldora\"", "name=\"" + std::string(1500, 'K') + "\""),
                     3, L"characters long (line feed included)", L"under 1000 characters", false},
        SettingsCase{"LongLineRest",
                     Replaced(kGoodSettings, "name=\"Keldora\"", "name=\"" + std::string(1500, 'K') + "\""), 3,
                     L"after its first 999 characters does not start with \"<\"", L"under 1000 characters", false},
        SettingsCase{"UnclosedRoot", Replaced(kGoodSettings, "</settings>\n", ""), 2,
                     L"<settings> opened here is never closed", L"add </settings>", false},
        SettingsCase{"UnclosedInner", Replaced(kGoodSettings, "    </msi>\n", ""), 2, L"never closed",
                     L"add </settings>", false},
        SettingsCase{"StrayClosingTagAfterRoot", std::string(kGoodSettings) + "</settings>\n", 14,
                     L"after the root element closed on line 13", L"remove this closing tag", false},
        SettingsCase{"StrayClosingTagFirst", "</settings>\n" + std::string(kGoodSettings), 1,
                     L"before any element was opened", L"remove this closing tag", false},
        SettingsCase{"SecondRoot", std::string(kGoodSettings) + "<settings a=\"1\" b=\"2\">\n</settings>\n", 14,
                     L"second top-level element", L"one root element", false},
        SettingsCase{"TextOutsideTag", Replaced(kGoodSettings, "    </msi>", "    packages\n    </msi>"), 6,
                     L"does not start with \"<\"", L"starting with \"<\"", false},
        SettingsCase{"OneAttributeTag", kOneAttributePath, 5, L"has one attribute, value=\"Packages\\Keldora.msi\"",
                     L"write a second attribute: <path value=\"Packages\\Keldora.msi\" kind=", true},
        SettingsCase{"OneAttributeTagEmptiesThePath", kOneAttributePath, 3, L"msi path is empty", L"second attribute",
                     true},
        SettingsCase{"ValueCutAtEquals", Replaced(kGoodSettings, "Packages\\Keldora.msi", "Packages\\Keldora=7.msi"), 5,
                     L"attribute value=\"Packages\\Keldora=7.msi\" holds \"=\" in its value; the reader cuts it there "
                     L"and reads \"Packages\\Keldora\"",
                     L"keep \"=\" out of values", true},
        SettingsCase{"QuoteBlankInValue",
                     Replaced(kGoodSettings, "value=\"Packages\\Keldora.msi\"", "value='Packages\\Keldora\" x.msi'"), 5,
                     L"double quote followed by a blank", L"keep double quotes out of values", true},
        SettingsCase{"AttributesSeparatedByTabs",
                     Replaced(kGoodSettings, "\"Packages\\Keldora.msi\" kind", "\"Packages\\Keldora.msi\"\tkind"), 5,
                     L"reads none of the attributes of <path>", L"separated by one space", true},
        SettingsCase{
            "ProductWithoutMsi",
            Replaced(kGoodSettings, "    <msi name=\"server\" kind=\"x64\">\n", "    <msx name=\"a\" b=\"c\">\n"), 3,
            L"has no msi element holding a path element: the bootstrapper skips it", L"<msi name=", true},
        SettingsCase{"MsiWithoutPath", Replaced(kGoodSettings, "<path value", "<file value"), 3,
                     L"the bootstrapper skips it", L"<path value=", true},
        SettingsCase{"PathWithTextOnOneLine",
                     Replaced(kGoodSettings, "kind=\"package\"/>", "kind=\"package\">x</path>"), 5,
                     L"closing tag on the same line", L"self-closing tag", true},
        SettingsCase{"ClosingTagOfAnotherName", Replaced(kGoodSettings, "</msi>", "</path>"), 6,
                     L"</path> closes <msi> opened on line 4", L"close <msi> with </msi>", true},
        SettingsCase{"BadUpgradeCode",
                     Replaced(kGoodSettings, "{2D7E4F10-6A5B-4C3D-8E9F-0A1B2C3D4E5F}",
                              "{2D7E4F10-6A5B-4C3D-8E9F-0A1B2C3D4E5F}; {1D7E4F10-6A5B-4C3D-8E9F-0A1B2C3D4E5F}"),
                     3, L"upgrade code \" {1D7E4F10", L"without blanks", true},
        // What setup really does with it: Windows Installer answers 87, which ends the run.
        SettingsCase{"BadUpgradeCodeStopsSetup",
                     Replaced(kGoodSettings, "{2D7E4F10-6A5B-4C3D-8E9F-0A1B2C3D4E5F}", "Keldora-2013"), 3,
                     L"Windows Installer refuses it (87, the parameter is incorrect), so setup stops with error 87 "
                     L"in its log before the wizard",
                     L"without blanks", true}),
    [](const ::testing::TestParamInfo<SettingsCase>& info) { return info.param.name; });

TEST_P(SettingsFindingTest, NamesLineWhatAndFix)
{
    const SettingsCase& c = GetParam();
    WriteFile(media_ / "KDRSettings.xml", c.text);
    MediaReport r = Check();
    EXPECT_FALSE(r.Sound());
    const Finding* f = Find(r, L"KDRSettings.xml", c.line, c.what);
    ASSERT_NE(f, nullptr) << All(r);
    EXPECT_EQ(f->severity, Severity::error);
    EXPECT_NE(f->fix.find(c.fix), std::wstring::npos) << OvMediaCheck::ToUtf8(f->fix);
    const auto& listed = c.loads ? r.settingsLoaded : r.settingsNotLoaded;
    EXPECT_EQ(std::count(listed.begin(), listed.end(), L"KDRSettings.xml"), 1) << c.loads;
    // The companion's file is untouched and still read.
    EXPECT_EQ(r.products.back().file, L"MTSettings.xml");
}

TEST_F(MediaCheckTest, AFileWithoutProductsIsAFinding)
{
    for (const char* text :
         {"<?xml version=\"1.0\"?>\n<!-- nothing yet -->\n", "<settings a=\"1\" b=\"2\">\n</settings>\n"}) {
        WriteFile(media_ / "KDRSettings.xml", text);
        MediaReport r = Check();
        EXPECT_NE(Find(r, L"KDRSettings.xml", 0, L"holds no product element"), nullptr) << text << All(r);
        EXPECT_FALSE(r.Sound());
    }
}

TEST_F(MediaCheckTest, DroppedAttributeOutsideTheProductIsOnlyANote)
{
    WriteFile(media_ / "KDRSettings.xml", Replaced(kGoodSettings, "<settings product=\"Keldora\" version=\"7.0\">",
                                                   "<settings product=\"Keldora\">"));
    MediaReport r = Check();
    const Finding* f = Find(r, L"KDRSettings.xml", 2, L"has one attribute");
    ASSERT_NE(f, nullptr) << All(r);
    EXPECT_EQ(f->severity, Severity::note);
    EXPECT_TRUE(r.Sound()) << All(r);
}

TEST_F(MediaCheckTest, ABlankBeforeTheEndKeepsASingleAttributeOnlyWithoutTheSlash)
{
    const std::string tag = "<path value=\"Packages\\Keldora.msi\" kind=\"package\"/>";
    // Not self-closing: the blank before ">" keeps the one attribute.
    WriteFile(media_ / "KDRSettings.xml",
              Replaced(Replaced(kGoodSettings, tag, "<path value=\"Packages\\Keldora.msi\" >"), "    </msi>",
                       "      </path>\n    </msi>"));
    MediaReport r = Check();
    EXPECT_TRUE(r.findings.empty()) << All(r);
    ASSERT_FALSE(r.products.empty());
    EXPECT_EQ(r.products[0].entry.msiPath, L"Packages\\Keldora.msi");

    // Self-closing: the reader removes the blank before "/>", and the attribute is lost.
    WriteFile(media_ / "KDRSettings.xml", Replaced(kGoodSettings, tag, "<path value=\"Packages\\Keldora.msi\" />"));
    r = Check();
    EXPECT_NE(Find(r, L"KDRSettings.xml", 5, L"has one attribute"), nullptr) << All(r);
    ASSERT_FALSE(r.products.empty());
    EXPECT_EQ(r.products[0].entry.msiPath, L"");
    EXPECT_NE(Find(r, L"KDRSettings.xml", 3, L"msi path is empty"), nullptr) << All(r);
}

struct PackageCase {
    const char* name;
    const char* path;     // the path element's value
    const char* prepare;  // "" or a file to lay under the media: "broken", "noversion", "noupgrade"
    const wchar_t* what;
};

void PrintTo(const PackageCase& c, std::ostream* os)
{
    *os << c.name;
}

class PackageFindingTest : public MediaCheckTest, public ::testing::WithParamInterface<PackageCase>
{
};

INSTANTIATE_TEST_SUITE_P(
    Packages, PackageFindingTest,
    ::testing::Values(
        PackageCase{"Missing", "Packages\\Absent.msi", "", L"is not on the media"},
        PackageCase{"EscapesWithDots", "..\\Other\\Keldora.msi", "", L"leads out of the media folder"},
        PackageCase{"EscapesInTheMiddle", "Packages\\..\\..\\Keldora.msi", "", L"leads out of the media folder"},
        PackageCase{"DrivePath", "D:\\Keldora.msi", "", L"leads out of the media folder"},
        PackageCase{"Folder", "Packages", "", L"names a folder"},
        PackageCase{"NotAPackage", "Packages\\Broken.msi", "broken", L"cannot be opened"},
        PackageCase{"NoProductVersion", "Packages\\NoVersion.msi", "noversion", L"has no ProductVersion property"},
        PackageCase{"NoUpgradeCode", "Packages\\NoUpgrade.msi", "noupgrade", L"has no UpgradeCode property"}),
    [](const ::testing::TestParamInfo<PackageCase>& info) { return info.param.name; });

TEST_P(PackageFindingTest, NamesTheProductAndThePackage)
{
    const PackageCase& c = GetParam();
    std::string prepare = c.prepare;
    if (prepare == "broken") WriteFile(media_ / "Packages" / "Broken.msi", "not an installer database\n");
    if (prepare == "noversion") fs::copy_file(OV_NO_VERSION_MSI, media_ / "Packages" / "NoVersion.msi");
    if (prepare == "noupgrade")
        fs::copy_file(std::string(OV_MSI_FIXTURE_DIR) + "/no-upgrade-code.msi", media_ / "Packages" / "NoUpgrade.msi");
    WriteFile(media_ / "KDRSettings.xml", Replaced(kGoodSettings, "Packages\\Keldora.msi", c.path));
    MediaReport r = Check();
    EXPECT_FALSE(r.Sound());
    const Finding* f = Find(r, L"KDRSettings.xml", 3, c.what);
    ASSERT_NE(f, nullptr) << All(r);
    EXPECT_NE(f->what.find(L"product \"Keldora\""), std::wstring::npos);
    EXPECT_FALSE(f->fix.empty());
    // Only this product's package is at fault.
    EXPECT_EQ(r.findings.size(), 1u) << All(r);
}

TEST_F(MediaCheckTest, MissingLayoutFilesAreEachNamed)
{
    for (const char* file :
         {"Setup/SetupWizard.dat", "Redistr/dotNetFx40_Full_x86_x64.exe", "Redistr/x64/wic_x64_enu.exe",
          "Redistr/x64/Windows6.0-KB942288-v2-x64.msu", "MTSettings.xml"}) {
        fs::path path = media_ / file;
        std::string kept = path.string() + ".kept";
        fs::rename(path, kept);
        MediaReport r = Check();
        std::wstring name = winsim::Widen(file);
        for (auto& ch : name)
            if (ch == L'/') ch = L'\\';
        ASSERT_EQ(r.findings.size(), 1u) << file << "\n" << All(r);
        EXPECT_EQ(r.findings[0].file, name);
        EXPECT_EQ(r.findings[0].line, 0u);
        EXPECT_NE(r.findings[0].what.find(L"missing"), std::wstring::npos);
        EXPECT_FALSE(r.Sound());
        fs::rename(kept, path);
    }
}

TEST_F(MediaCheckTest, LineNumbersCountPhysicalLinesAcrossCarriageReturnsAndLongLines)
{
    // CR LF is one line end; a long line that only carries blanks after 999 characters
    // still counts as one line for the lines after it.
    std::string text = "<a x=\"1\" y=\"2\">\r\n" + std::string(1200, ' ') + "\r\n\t<b/>\r\n</a>\r\n";
    WriteFile(media_ / "f.xml", text);
    OvMediaCheck::SettingsScan scan = OvMediaCheck::ScanSettingsFile(L"C:\\Media\\f.xml", L"f.xml");
    EXPECT_FALSE(scan.loads);
    ASSERT_EQ(scan.findings.size(), 2u);
    EXPECT_EQ(scan.findings[0].line, 2u);
    EXPECT_NE(scan.findings[0].what.find(L"1201 characters"), std::wstring::npos);
    EXPECT_EQ(scan.findings[1].line, 3u);
    EXPECT_NE(scan.findings[1].what.find(L"tab"), std::wstring::npos);
}

TEST_F(MediaCheckTest, EndOfFileByteStopsTheScan)
{
    WriteFile(media_ / "f.xml", "<a x=\"1\" y=\"2\">\n</a>\n\x1A\tjunk\n");
    OvMediaCheck::SettingsScan scan = OvMediaCheck::ScanSettingsFile(L"C:\\Media\\f.xml", L"f");
    EXPECT_TRUE(scan.loads);
    EXPECT_TRUE(scan.findings.empty());
}

std::string RunCommand(const std::string& command, int& status)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, got);
    int raw = ::pclose(p);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

TEST_F(MediaCheckTest, ProgramExitCodes)
{
    int status = -1;
    std::string out = RunCommand(std::string(OV_MEDIA_CHECK) + " " + OV_DEMO_MEDIA, status);
    EXPECT_EQ(status, OvMediaCheck::kExitSound) << out;
    EXPECT_NE(out.find("KDRSettings.xml:3: product \"Keldora\""), std::string::npos) << out;

    WriteFile(media_ / "KDRSettings.xml", kOneAttributePath);
    out = RunCommand(std::string(OV_MEDIA_CHECK) + " '" + media_.string() + "'", status);
    EXPECT_EQ(status, OvMediaCheck::kExitFindings) << out;
    EXPECT_NE(out.find("KDRSettings.xml:5: error: <path> has one attribute"), std::string::npos) << out;
    EXPECT_NE(
        out.find("    write instead: write a second attribute: <path value=\"Packages\\Keldora.msi\" kind=\"...\"/>"),
        std::string::npos)
        << out;

    RunCommand(std::string(OV_MEDIA_CHECK) + " 2>/dev/null", status);
    EXPECT_EQ(status, OvMediaCheck::kExitUsage);
    RunCommand(std::string(OV_MEDIA_CHECK) + " '" + (media_ / "absent").string() + "' 2>/dev/null", status);
    EXPECT_EQ(status, OvMediaCheck::kExitUsage);
}
}  // namespace

namespace
{
// Findings that name the reader's decision where a blank or a position changes what it
// sees; each has its fixture in tests/fixtures/settings.
struct FixtureCase {
    const char* fixture;
    unsigned line;
    const wchar_t* what;
    const wchar_t* fix;
    Severity severity;
};

TEST_F(MediaCheckTest, FindingsOfTheFixtures)
{
    const FixtureCase cases[] = {
        {"blank-after-tag.xml", 4,
         L"the tag <msi> is followed by a blank; without attributes the reader ends the name at the first blank, so "
         L"the element is named \"msi>\" and the bootstrapper does not find a <msi> element there: the product that "
         L"holds it is skipped",
         L"remove the blanks after the tag: <msi>", Severity::error},
        {"blank-after-tag.xml", 3, L"product \"Keldora\" has no msi element holding a path element", L"<msi name=",
         Severity::error},
        {"two-blanks.xml", 5,
         L"two or more blanks before the first attribute (value): the reader keeps the blanks after the first in the "
         L"name, \" value\", so value is not found (it reads as empty)",
         L"write one blank before each attribute: <path value=\"Packages\\Keldora.msi\" ...", Severity::error},
        {"two-blanks.xml", 3, L"product \"Keldora\": its msi path is empty", L"second attribute", Severity::error},
        {"companion-first.xml", 8,
         L"the companion-first check compares the installed Maritane with the package of the second product entry "
         L"of KDRSettings.xml, here product \"Keldora\" (\"Packages\\Keldora.msi\"), not Maritane's package (product "
         L"\"Maritane\" is entry 1, line 3)",
         L"put Maritane's product element second", Severity::error},
        // The reader keeps the empty field after the first "=": the minimum is empty, not "6.0".
        {"minver-equals.xml", 3,
         L"attribute minver=\"=6.0\" holds \"=\" in its value; the reader cuts it there and reads \"\"",
         L"keep \"=\" out of values", Severity::error},
    };
    for (const auto& c : cases) {
        WriteFile(media_ / "KDRSettings.xml", FixtureText(c.fixture));
        MediaReport r = Check();
        const Finding* f = Find(r, L"KDRSettings.xml", c.line, c.what);
        ASSERT_NE(f, nullptr) << c.fixture << "\n" << All(r);
        EXPECT_EQ(f->severity, c.severity) << c.fixture;
        EXPECT_NE(f->fix.find(c.fix), std::wstring::npos) << c.fixture << ": " << OvMediaCheck::ToUtf8(f->fix);
        EXPECT_FALSE(r.Sound()) << c.fixture;
        // The closing tag of the misnamed element is explained where it was opened, not again.
        EXPECT_EQ(Find(r, L"KDRSettings.xml", 6, L"closes <"), nullptr) << c.fixture << "\n" << All(r);
    }
    WriteFile(media_ / "KDRSettings.xml", FixtureText("minver-equals.xml"));
    MediaReport r = Check();
    ASSERT_FALSE(r.products.empty());
    EXPECT_EQ(r.products[0].entry.minVersion, L"");
    EXPECT_NE(OvMediaCheck::FormatReport(r, "m").find("minver \"\", AllowRevisionUpgrade false"), std::string::npos);
}

// Where the companion's product element stands decides what the companion-first check
// compares: the package of the second entry, or nothing when there is none.
TEST_F(MediaCheckTest, CompanionFirstDependsOnThePlaceOfTheCompanionsEntry)
{
    const std::string keldora =
        "  <product name=\"Keldora\" minver=\"6.0\">\n    <msi name=\"s\" kind=\"x64\">\n      <path "
        "value=\"Packages\\Keldora.msi\" kind=\"package\"/>\n    </msi>\n  </product>\n";
    const std::string maritane = Replaced(Replaced(keldora, "Keldora\"", "Maritane\""), "Keldora.msi", "Maritane.msi");
    const std::string skipped = "  <product name=\"Tools\" minver=\"6.0\">\n  </product>\n";
    const std::string other = Replaced(keldora, "name=\"Keldora\"", "name=\"Tools\"");
    auto file = [](const std::string& products) { return "<settings a=\"1\" b=\"2\">\n" + products + "</settings>\n"; };
    const struct {
        const char* what;
        std::string text;
        unsigned line;  // of the finding; 0: none expected
        const wchar_t* says;
        Severity severity;
    } cases[] = {
        {"second: checked", file(keldora + maritane), 0, nullptr, Severity::error},
        {"a skipped product before it does not count", file(skipped + keldora + maritane), 0, nullptr, Severity::error},
        {"alone: nothing to compare", file(keldora), 0,
         L"this file has 1 product entry: setup does not check that Maritane was upgraded first", Severity::note},
        {"first and alone", file(maritane), 2,
         L"product \"Maritane\" is entry 1: the companion-first check compares the installed Maritane with the "
         L"package of the second product entry of KDRSettings.xml, and this file has 1",
         Severity::error},
        {"third", file(keldora + other + maritane), 7,
         L"here product \"Tools\" (\"Packages\\Keldora.msi\"), not Maritane's package (product \"Maritane\" is entry "
         L"3, line 12)",
         Severity::error},
        {"absent", file(keldora + other), 7, L"not Maritane's package: no product entry names it", Severity::error},
    };
    for (const auto& c : cases) {
        WriteFile(media_ / "KDRSettings.xml", c.text);
        MediaReport r = Check();
        const Finding* f = nullptr;
        for (const Finding& each : r.findings)
            if (each.what.find(L"companion-first") != std::wstring::npos) f = &each;
        if (c.says == nullptr) {
            EXPECT_EQ(f, nullptr) << c.what << "\n" << All(r);
            continue;
        }
        ASSERT_NE(f, nullptr) << c.what << "\n" << All(r);
        EXPECT_EQ(f->line, c.line) << c.what;
        EXPECT_NE(f->what.find(c.says), std::wstring::npos) << c.what << "\n" << All(r);
        EXPECT_EQ(f->severity, c.severity) << c.what;
    }
}

// The reader's tree: every element with its line, name and attributes, in document order.
std::vector<OvMediaCheck::ElementReport> ReaderElements(const OvSetupLib::OvXmlDocument& document)
{
    std::vector<OvMediaCheck::ElementReport> out;
    std::vector<const OvSetupLib::OvXmlElement*> pending;
    if (document.GetRoot() != nullptr) pending.push_back(document.GetRoot());
    while (!pending.empty()) {
        const OvSetupLib::OvXmlElement* e = pending.back();
        pending.pop_back();
        OvMediaCheck::ElementReport report{e->GetLine(), e->GetName(), {}};
        for (const auto& a : e->GetAttributes())
            report.attributes[a.first] = a.second;
        out.push_back(report);
        for (auto it = e->GetChildren().rbegin(); it != e->GetChildren().rend(); ++it)
            pending.push_back(it->get());
    }
    return out;
}

std::string Describe(const std::vector<OvMediaCheck::ElementReport>& elements)
{
    std::string out;
    for (const auto& e : elements) {
        out += std::to_string(e.line) + " <" + OvMediaCheck::ToUtf8(e.name) + ">";
        for (const auto& a : e.attributes)
            out += " [" + OvMediaCheck::ToUtf8(a.first) + "]=[" + OvMediaCheck::ToUtf8(a.second) + "]";
        out += "\n";
    }
    return out;
}

std::string Describe(const OvBootstrapHelper::OvProductEntry& e)
{
    std::string out = OvMediaCheck::ToUtf8(e.name) + "|" + OvMediaCheck::ToUtf8(e.msiPath) + "|" +
                      OvMediaCheck::ToUtf8(e.minVersion) + "|" + (e.allowRevisionUpgrade ? "true" : "false");
    for (const auto& code : e.upgradeCodes)
        out += "|" + OvMediaCheck::ToUtf8(code);
    return out;
}

// media-check and the reader cannot disagree: the same file read by both gives the same
// elements with the same attribute values, and the same product entries.
TEST_F(MediaCheckTest, AgreesWithTheReaderOnEveryAttributeValue)
{
    std::vector<std::pair<std::string, std::string>> files;
    for (const char* fixture : {"blank-after-tag.xml", "two-blanks.xml", "companion-first.xml", "minver-equals.xml"})
        files.emplace_back(fixture, FixtureText(fixture));
    for (const char* demo : {"KDRSettings.xml", "MTSettings.xml"}) {
        std::ifstream in(std::string(OV_DEMO_MEDIA) + "/" + demo, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        ASSERT_FALSE(bytes.str().empty()) << demo;
        files.emplace_back(std::string("demo ") + demo, bytes.str());
    }
    files.emplace_back("good", kGoodSettings);

    // Files assembled from the shapes that matter to the reader.
    const std::string shapes[] = {
        "<settings a=\"1\" b=\"2\">\n",
        "  <product name=\"P\" minver=\"6.0\">\n",
        "    <msi name=\"m\" kind=\"x\">\n",
        "      <path value=\"a.msi\" kind=\"p\"/>\n",
        "      <path value=\"a.msi\"/>\n",
        "    </msi>\n",
        "  </product>\n",
        "</settings>\n",
        "\t<tabbed a=\"1\" b=\"2\"/>\n",
        "<!-- one line -->\n",
        "<!-- two\n",
        "   lines -->\n",
        "   \n",
        "\n",
        "<t>text</t>\n",
        "plain text\n",
        "<" + std::string(1200, 'x') + ">\n",
        std::string(997, ' ') + "<a/>\n",
        "<e a=\"1\" b=\"2\" />\r\n",
        "  <product minver=\"=2\" name=\"Q\" AllowRevisionUpgrade=\"TRUE\" upgradecode=\"{A};;{B}\">\n",
        "    <msi> \n",
        "    <path  value=\"b.msi\" kind=\"p\"/>\n",
        "  <e a=\"\" b=\"=\" c=\"x=y=z\" =\"v\" d  =  \"4\" e=\"p\" q\" f=\"6\">\n",
        "\r",
        "<",
        "\x1A",
        "\xEF\xBB\xBF",
    };
    const std::size_t count = sizeof shapes / sizeof shapes[0];
    std::uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int file = 0; file < 300; ++file) {
        std::string text;
        // Mostly well-formed skeletons with a few shapes dropped in, so that both outcomes occur.
        const int lines = 1 + static_cast<int>(next() % 10);
        bool skeleton = next() % 2 == 0;
        if (skeleton) text += shapes[0] + shapes[1] + shapes[2];
        for (int i = 0; i < lines; ++i)
            text += shapes[next() % count];
        if (skeleton) text += shapes[5] + shapes[6] + shapes[7];
        files.emplace_back("assembled " + std::to_string(file), text);
    }

    int loadsSeen = 0, attributesCompared = 0;
    for (const auto& [name, text] : files) {
        WriteFile(media_ / "KDRSettings.xml", text);
        OvSetupLib::OvXmlDocument reader(L"C:\\Media\\KDRSettings.xml");
        OvMediaCheck::SettingsScan scan =
            OvMediaCheck::ScanSettingsFile(L"C:\\Media\\KDRSettings.xml", L"KDRSettings.xml");
        ASSERT_EQ(scan.loads, reader.IsLoaded()) << name << ":\n" << text;
        if (!reader.IsLoaded()) {
            // A file that fails to load is always explained.
            EXPECT_FALSE(scan.findings.empty()) << name << ":\n" << text;
            continue;
        }
        ++loadsSeen;
        std::vector<OvMediaCheck::ElementReport> expected = ReaderElements(reader);
        EXPECT_EQ(Describe(scan.elements), Describe(expected)) << name << ":\n" << text;
        for (const auto& e : expected)
            attributesCompared += static_cast<int>(e.attributes.size());

        std::vector<std::string> entries, reported;
        for (const auto& entry : OvBootstrapHelper::ReadProductEntries(reader))
            entries.push_back(Describe(entry));
        for (const auto& p : Check().products)
            if (p.file == L"KDRSettings.xml") reported.push_back(Describe(p.entry));
        EXPECT_EQ(reported, entries) << name << ":\n" << text;
    }
    EXPECT_GT(loadsSeen, 10);
    EXPECT_LT(loadsSeen, 290);
    EXPECT_GT(attributesCompared, 100);
}
}  // namespace
