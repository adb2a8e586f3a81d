// The string table read through the loader: every row gives the text written in
// Setup.rc, and every other row of the id range gives an empty text. On Windows the rows
// come from the program's own file through FindResourceExW and LoadResource.
#include "PlatformTest.h"

#include "setup_lib/OvStrings.h"

#include <map>
#include <string>

extern const char ovSetupRcText[];

namespace
{
using OvPlatformTest::PlatformTest;
using OvSetupLib::OvMsiString;

// The rows of the STRINGTABLE block: `<row> "<text>"`, one per line, with the resource
// compiler's escapes (\n, \t, \\, \" and a doubled quote). The script is ASCII.
std::map<WORD, std::wstring> ScriptRows()
{
    const std::string script = ovSetupRcText;
    std::map<WORD, std::wstring> rows;
    std::size_t at = script.find("\nSTRINGTABLE");
    if (at == std::string::npos) return rows;
    at = script.find("\nBEGIN", at);
    const std::size_t end = script.find("\nEND", at);
    while (at != std::string::npos && at < end) {
        const std::size_t lineEnd = script.find('\n', at + 1);
        const std::string line = script.substr(at + 1, lineEnd - at - 1);
        at = lineEnd;
        const std::size_t quote = line.find('"');
        if (quote == std::string::npos) continue;
        const WORD row = static_cast<WORD>(std::stoul(line.substr(0, quote)));
        std::wstring text;
        for (std::size_t i = quote + 1; i < line.size(); ++i) {
            char c = line[i];
            if (c == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    text += L'"';
                    ++i;
                    continue;
                }
                break;
            }
            if (c == '\\' && i + 1 < line.size()) {
                char e = line[++i];
                c = e == 'n' ? '\n' : e == 't' ? '\t' : e;
            }
            EXPECT_GE(c, 0) << "non-ASCII text in row " << row;
            text += static_cast<wchar_t>(c);
        }
        rows[row] = text;
    }
    return rows;
}

class LoadResourceString : public PlatformTest
{
};

TEST_F(LoadResourceString, EveryRowGivesTheTextOfTheScript)
{
    const std::map<WORD, std::wstring> rows = ScriptRows();
    // The catalogue of the table: 32 rows in the blocks of 96-127 and 496-527.
    ASSERT_EQ(rows.size(), 32u);
    ASSERT_EQ(rows.begin()->first, 102);
    ASSERT_EQ(rows.rbegin()->first, 520);
    for (const auto& [row, text] : rows) {
        EXPECT_EQ(std::wstring(OvSetupLib::LoadResourceString(row)), text) << "row " << row;
    }
    // Texts that the parse must have kept: the final line feed, the leading blanks.
    EXPECT_EQ(rows.at(508).back(), L'\n');
    EXPECT_EQ(rows.at(510), L"     -");
}

TEST_F(LoadResourceString, RowsOutsideTheScriptAreEmpty)
{
    const std::map<WORD, std::wstring> rows = ScriptRows();
    ASSERT_FALSE(rows.empty());
    // Rows of present blocks (96-127, 496-527), of absent blocks, and the last row.
    int checked = 0;
    for (unsigned row = 0; row <= 1024; ++row) {
        if (rows.count(static_cast<WORD>(row))) continue;
        const OvMsiString out = OvSetupLib::LoadResourceString(static_cast<WORD>(row));
        EXPECT_TRUE(out.empty()) << "row " << row << " gives \"" << std::string(out.begin(), out.end()) << "\"";
        ++checked;
    }
    EXPECT_TRUE(OvSetupLib::LoadResourceString(65535).empty());
    EXPECT_EQ(checked, 1025 - 32);
}

TEST_F(LoadResourceString, TheModuleHandleReadsTheSameRows)
{
    // The single-instance condition points the loader at the module instance handle;
    // both designate the program's file.
    const OvMsiString before = OvSetupLib::LoadResourceString(114);
    OvSetupLib::SetResourceModule(GetModuleHandleW(nullptr));
    const OvMsiString after = OvSetupLib::LoadResourceString(114);
    OvSetupLib::SetResourceModule(nullptr);
    EXPECT_FALSE(before.empty());
    EXPECT_EQ(after, before);
}
}  // namespace
