// The program's resources as compiled: string table, dialog templates, animation,
// icon, manifest and version record.
#include "WizardBootstrap/resource.h"
#include "setup_lib/OvStrings.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>
#include <winsim/Resources.h>
#include <winsim/Ui.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

using OvSetupLib::OvMsiString;

namespace
{
std::vector<unsigned char> Resource(LPCWSTR type, WORD id)
{
    const winsim::ResourceEntry* e = winsim::FindProgramResource(type, MAKEINTRESOURCEW(id), 0);
    if (e == nullptr) return {};
    return std::vector<unsigned char>(e->data, e->data + e->size);
}

DWORD U32(const std::vector<unsigned char>& b, std::size_t at)
{
    return static_cast<DWORD>(b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
                              (static_cast<DWORD>(b.at(at + 3)) << 24));
}
WORD U16(const std::vector<unsigned char>& b, std::size_t at)
{
    return static_cast<WORD>(b.at(at) | (b.at(at + 1) << 8));
}
std::string Tag(const std::vector<unsigned char>& b, std::size_t at)
{
    return std::string(reinterpret_cast<const char*>(&b.at(at)), 4);
}

// ---- string table ----

TEST(StringTable, EveryRowOfItsBlocks)
{
    winsim::MachineScope machine;
    const std::map<WORD, const wchar_t*> rows = {
        {102, L"Keldora"},
        {104, L"Keldora Setup"},
        {105, L"ORVALESTOWEN-SETUP-1A7C4E92-5B3D-4E06-A8F1-3D9B6C2E7045"},
        {106, L"ORVALESTOWEN-SETUP-8E2F6B13-C4A7-4D59-9E30-B5A81F4D6C27"},
        {108, L"Maritane"},
        {109, L"Maritane Setup"},
        {110, L"KDRSettings.xml"},
        {111, L"MTSettings.xml"},
        {112, L"You cannot upgrade Keldora before upgrading Maritane. Please upgrade Maritane first."},
        {113, L"Keldora 7.0 BETA does not support upgrade from previous versions."},
        {114,
         L"CPU does not meet minimum system requirements. Less than 2 processor cores (or 2 vCPU) detected. "
         L"Data processing perfomance may be affected. Continue anyway?"},
        {115,
         L"Keldora setup cannot proceed because some files are locked. Please close the user interface, and "
         L"try again. Click 'Retry' to retry or 'Cancel' to exit the setup."},
        {501, L"Your operating system is not supported by %s. See documentation for more details."},
        {502, L"Local Administrator privileges are required to install this package."},
        {503, L"Your operating system is not supported by %s. See documentation for more details."},
        {504, L"Only one instance of %s Setup is allowed."},
        {505, L"Your operating system is not supported by %s. See documentation for more details."},
        {506, L".NET Framework 4.0"},
        {507,
         L"Setup was unable to install Microsoft .NET Framework 4.0, which is a required prerequisite for %s "
         L"Setup. You need to manually install .NET Framework and re-run %s setup."},
        {508, L"Please install the following prerequisites to proceed with %s installation:\n"},
        {509, L"Click OK to install these prerequisites."},
        {510, L"     -"},
        {511, L"Please install %s to proceed with %s installation.\nClick OK to install this prerequisite."},
        {512, L"Unsupported OS version."},
        {513, L"Windows Installer 4.5"},
        {514,
         L"Setup was unable to install Microsoft Windows Installer 4.5, which is a required prerequisite for %s "
         L"Setup. You need to manually install Windows Installer 4.5 and re-run %s setup."},
        {515, L"Windows Imaging Component"},
        {516,
         L"Setup was unable to install Microsoft Windows Imaging Component, which is a required prerequisite "
         L"for %s Setup. You need to manually install Windows Imaging Component and re-run %s setup."},
        {517, L"To upgrade, you must be running version %s or later."},
        {518,
         L"Another version of this product is already installed. Installation of this version cannot "
         L"continue. To configure or remove the existing version of this product, use Add/Remove Programs on "
         L"the Control Panel."},
        {519, L"Setup cannot create or use its folder %s:\n%s"},
        {520, L"The command line option %s is unknown, repeated or has a value that is not valid."},
    };
    for (WORD first : {96, 112, 496, 512}) {
        for (WORD row = first; row < first + 16; ++row) {
            const OvMsiString text = OvSetupLib::LoadResourceString(row);
            auto it = rows.find(row);
            EXPECT_EQ(text, OvMsiString(it == rows.end() ? L"" : it->second)) << "row " << row;
        }
    }
}

// ---- dialog templates, built from their description and compared byte for byte ----

struct Control {
    DWORD id;
    WORD classOrdinal;  // 0: the class name below
    const wchar_t* className;
    const wchar_t* text;
    short x, y, cx, cy;
    DWORD style, exStyle;
};
struct Dialog {
    WORD id;
    DWORD style, exStyle;
    short cx, cy;
    const wchar_t* caption;
    std::vector<Control> controls;
};

void Put16(std::vector<unsigned char>& b, unsigned v)
{
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
void Put32(std::vector<unsigned char>& b, DWORD v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutText(std::vector<unsigned char>& b, const wchar_t* s)
{
    for (; *s; ++s)
        Put16(b, static_cast<unsigned>(*s));
    Put16(b, 0);
}
void Align(std::vector<unsigned char>& b)
{
    while (b.size() % 4)
        b.push_back(0);
}

std::vector<unsigned char> Build(const Dialog& d)
{
    std::vector<unsigned char> b;
    Put16(b, 1);
    Put16(b, 0xFFFF);
    Put32(b, 0);  // help id
    Put32(b, d.exStyle);
    Put32(b, d.style);
    Put16(b, static_cast<unsigned>(d.controls.size()));
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, static_cast<unsigned>(d.cx));
    Put16(b, static_cast<unsigned>(d.cy));
    Put16(b, 0);  // no menu
    Put16(b, 0);  // no class
    PutText(b, d.caption);
    Put16(b, 8);
    Put16(b, 400);
    b.push_back(0);
    b.push_back(1);
    PutText(b, L"MS Shell Dlg");
    for (const auto& c : d.controls) {
        Align(b);
        Put32(b, 0);
        Put32(b, c.exStyle);
        Put32(b, c.style);
        Put16(b, static_cast<unsigned>(c.x));
        Put16(b, static_cast<unsigned>(c.y));
        Put16(b, static_cast<unsigned>(c.cx));
        Put16(b, static_cast<unsigned>(c.cy));
        Put32(b, c.id);
        if (c.classOrdinal) {
            Put16(b, 0xFFFF);
            Put16(b, c.classOrdinal);
        } else {
            PutText(b, c.className);
        }
        PutText(b, c.text);
        Put16(b, 0);  // no creation data
    }
    return b;
}

Dialog Progress(WORD id, const wchar_t* text)
{
    return Dialog{id,
                  0x80800048,
                  0,
                  200,
                  59,
                  L"",
                  {{0xFFFFFFFFu, 0x82, nullptr, text, 7, 16, 186, 17, 0x50020000, 0x20},
                   // The resource compiler stores a class name in capitals; the window
                   // manager compares class names ignoring case.
                   {602, 0, L"SYSANIMATE32", L"", 91, 37, 15, 15, 0x50010005, 0}}};
}

TEST(DialogTemplates, MatchTheirDescriptionByteForByte)
{
    const Dialog dialogs[] = {
        Progress(701, L"Please wait while .NET Framework 4.0 is being installed.\nThis may take a few minutes."),
        Progress(703, L"Please wait while Windows Installer 4.5 is being installed.\nThis may take a few minutes."),
        Progress(704, L"Please wait while Windows Imaging Component is being installed.\nThis may take a few minutes."),
        Dialog{702,
               0x80C000C8,
               0x8,
               222,
               64,
               L"Orvale Suite setup",
               {{1, 0x80, nullptr, L"Reboot", 54, 43, 50, 14, 0x50010001, 0},
                {0xFFFFFFFFu, 0x82, nullptr,
                 L"Computer reboot is required before installation can continue. Setup will restart automatically "
                 L"after reboot.",
                 7, 14, 209, 22, 0x50020000, 0},
                {2, 0x80, nullptr, L"Cancel", 118, 43, 50, 14, 0x50010000, 0}}},
    };
    for (const auto& d : dialogs) {
        std::vector<unsigned char> actual = Resource(RT_DIALOG, d.id);
        std::vector<unsigned char> expected = Build(d);
        ASSERT_GE(actual.size(), expected.size()) << d.id;
        EXPECT_LE(actual.size(), expected.size() + 3) << d.id << ": only alignment may follow";
        // The simulation's parser reads the same template.
        auto parsed = winsim::ParseDialogTemplate(actual.data(), actual.size());
        ASSERT_TRUE(parsed.has_value()) << d.id;
        EXPECT_EQ(parsed->items.size(), d.controls.size());
        EXPECT_EQ(parsed->typeface, L"MS Shell Dlg");
        for (const auto& item : parsed->items) {
            EXPECT_TRUE(winsim::EqualNoCase(item.className, L"Static") ||
                        winsim::EqualNoCase(item.className, L"Button") ||
                        winsim::EqualNoCase(item.className, L"SysAnimate32"))
                << winsim::Narrow(item.className);
        }
        actual.resize(expected.size());
        auto diff = std::mismatch(actual.begin(), actual.end(), expected.begin());
        EXPECT_EQ(actual, expected) << "template " << d.id << " differs first at byte "
                                    << (diff.first - actual.begin());
        // No template has WS_VISIBLE or WS_SYSMENU; all set DS_SETFONT | DS_FIXEDSYS.
        EXPECT_EQ(d.style & (WS_VISIBLE | WS_SYSMENU), 0u);
        EXPECT_EQ(d.style & 0x48u, 0x48u);
    }
}

TEST(DialogTemplates, ParserRejectsCutAndForeignData)
{
    std::vector<unsigned char> t = Resource(RT_DIALOG, 702);
    ASSERT_FALSE(t.empty());
    for (std::size_t n : {std::size_t{0}, std::size_t{3}, std::size_t{26}, t.size() / 2, t.size() - 4}) {
        EXPECT_FALSE(winsim::ParseDialogTemplate(t.data(), n).has_value()) << n;
    }
    std::vector<unsigned char> plain = t;
    plain[2] = 0;  // not an extended template
    EXPECT_FALSE(winsim::ParseDialogTemplate(plain.data(), plain.size()).has_value());
}

// ---- animation ----

TEST(Animation, IsASmallUncompressedGreyClip)
{
    std::vector<unsigned char> avi;
    for (auto& e : winsim::ProgramResources()) {
        if (e.type.name == L"AVI" && e.name.ordinal == IDR_PROGRESS_AVI) avi.assign(e.data, e.data + e.size);
    }
    ASSERT_EQ(avi.size(), 7680u);
    EXPECT_EQ(Tag(avi, 0), "RIFF");
    EXPECT_EQ(U32(avi, 4), 7680u - 8);
    EXPECT_EQ(Tag(avi, 8), "AVI ");
    // Walk the chunks, collecting what matters.
    DWORD usPerFrame = 0, frames = 0, width = 0, height = 0, streams = 0;
    std::string streamType;
    WORD bits = 0;
    DWORD compression = 99, colours = 0;
    std::vector<std::vector<unsigned char>> palette;
    int frameChunks = 0, badFrames = 0, indexEntries = 0, audio = 0;
    std::function<void(std::size_t, std::size_t)> walk = [&](std::size_t at, std::size_t end) {
        while (at + 8 <= end) {
            std::string id = Tag(avi, at);
            DWORD size = U32(avi, at + 4);
            std::size_t data = at + 8;
            ASSERT_LE(data + size, end) << id;
            if (id == "LIST") {
                walk(data + 4, data + size);
            } else if (id == "avih") {
                usPerFrame = U32(avi, data);
                frames = U32(avi, data + 16);
                streams = U32(avi, data + 24);
                width = U32(avi, data + 32);
                height = U32(avi, data + 36);
            } else if (id == "strh") {
                streamType = Tag(avi, data);
                if (streamType == "auds") ++audio;
            } else if (id == "strf") {
                width = U32(avi, data + 4);
                height = U32(avi, data + 8);
                bits = U16(avi, data + 14);
                compression = U32(avi, data + 16);
                colours = U32(avi, data + 32);
                for (DWORD i = 0; i < 16 && data + 40 + 4 * i + 4 <= data + size; ++i)
                    palette.push_back({avi[data + 40 + 4 * i + 2], avi[data + 40 + 4 * i + 1], avi[data + 40 + 4 * i]});
            } else if (id == "00db" || id == "00dc") {
                ++frameChunks;
                if (size != 576) ++badFrames;
            } else if (id == "idx1") {
                indexEntries = static_cast<int>(size / 16);
            }
            at = data + size + (size & 1);
        }
    };
    walk(12, avi.size());
    EXPECT_EQ(usPerFrame, 100000u);
    EXPECT_EQ(frames, 9u);
    EXPECT_EQ(streams, 1u);
    EXPECT_EQ(audio, 0);
    EXPECT_EQ(streamType, "vids");
    EXPECT_EQ(width, 24u);
    EXPECT_EQ(height, 24u);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(compression, 0u);
    EXPECT_EQ(colours, 16u);
    ASSERT_EQ(palette.size(), 16u);
    EXPECT_EQ(palette[0], (std::vector<unsigned char>{212, 208, 200}));
    for (std::size_t i = 1; i < palette.size(); ++i) {
        EXPECT_TRUE(palette[i][0] == palette[i][1] && palette[i][1] == palette[i][2]) << "entry " << i << " is grey";
    }
    EXPECT_EQ(frameChunks, 9);
    EXPECT_EQ(badFrames, 0);
    EXPECT_EQ(indexEntries, 9);
}

// ---- icon ----

TEST(Icon, GroupHoldsFiveEightBitImages)
{
    std::vector<unsigned char> group = Resource(RT_GROUP_ICON, IDI_SETUP);
    ASSERT_GE(group.size(), 6u);
    EXPECT_EQ(U16(group, 0), 0);
    EXPECT_EQ(U16(group, 2), 1);
    ASSERT_EQ(U16(group, 4), 5);
    ASSERT_EQ(group.size(), 6u + 5 * 14);
    const int sizes[] = {256, 48, 32, 24, 16};
    for (int i = 0; i < 5; ++i) {
        std::size_t e = 6 + 14 * static_cast<std::size_t>(i);
        int w = group[e] == 0 ? 256 : group[e];
        int h = group[e + 1] == 0 ? 256 : group[e + 1];
        EXPECT_EQ(w, sizes[i]);
        EXPECT_EQ(h, sizes[i]);
        EXPECT_EQ(U16(group, e + 6), 8) << "bits per pixel of image " << i;
        std::vector<unsigned char> image = Resource(RT_ICON, U16(group, e + 12));
        EXPECT_EQ(image.size(), U32(group, e + 8)) << "image " << i;
    }
}

// ---- manifest and version record ----

std::string Text(const std::vector<unsigned char>& b)
{
    return std::string(b.begin(), b.end());
}

TEST(Manifest, AsksForAdministratorAndCommonControls6)
{
    std::string m = Text(Resource(RT_MANIFEST, 1));
    for (const char* needle :
         {"level=\"requireAdministrator\"", "uiAccess=\"false\"", "name=\"Microsoft.Windows.Common-Controls\"",
          "version=\"6.0.0.0\"", "processorArchitecture=\"*\"", "language=\"*\"",
          "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "Unrestricted=\"true\""}) {
        EXPECT_NE(m.find(needle), std::string::npos) << needle;
    }
}

std::size_t FindUtf16(const std::vector<unsigned char>& b, const std::wstring& s, std::size_t from = 0)
{
    std::vector<unsigned char> n;
    for (wchar_t c : s) {
        n.push_back(static_cast<unsigned char>(c & 0xFF));
        n.push_back(static_cast<unsigned char>(c >> 8));
    }
    n.push_back(0);
    n.push_back(0);
    auto it = std::search(b.begin() + static_cast<long>(from), b.end(), n.begin(), n.end());
    return it == b.end() ? std::string::npos : static_cast<std::size_t>(it - b.begin());
}

TEST(VersionRecord, Is7_0_0_690)
{
    std::vector<unsigned char> v = Resource(RT_VERSION, 1);
    ASSERT_FALSE(v.empty());
    std::size_t fixed = std::string::npos;
    for (std::size_t i = 0; i + 4 <= v.size(); i += 4) {
        if (U32(v, i) == 0xFEEF04BDu) {
            fixed = i;
            break;
        }
    }
    ASSERT_NE(fixed, std::string::npos);
    EXPECT_EQ(U32(v, fixed + 8), 0x00070000u);
    EXPECT_EQ(U32(v, fixed + 12), 690u);
    EXPECT_EQ(U32(v, fixed + 16), 0x00070000u);
    EXPECT_EQ(U32(v, fixed + 20), 690u);
    for (auto kv : {std::pair<std::wstring, std::wstring>{L"FileDescription", L"Keldora Setup Bootstrap"},
                    std::pair<std::wstring, std::wstring>{L"ProductName", L"Keldora Setup"}}) {
        std::size_t key = FindUtf16(v, kv.first);
        ASSERT_NE(key, std::string::npos) << winsim::Narrow(kv.first);
        std::size_t value = (key + 2 * (kv.first.size() + 1) + 3) & ~std::size_t{3};
        EXPECT_EQ(FindUtf16(v, kv.second, value), value) << winsim::Narrow(kv.first);
    }
}
}  // namespace
