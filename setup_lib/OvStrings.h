// Text, path and string-table functions of the support library.
#pragma once

#include "setup_lib/OvMsiString.h"

#include <vector>

namespace OvSetupLib
{
// Splits at every delimiter character; adjacent delimiters give empty tokens.
std::vector<OvMsiString> SplitString(const wchar_t* text, const wchar_t* delimiters);
// The decimal text of a number, with leading zeros up to width digits.
OvMsiString NumberText(DWORD number, int width = 1);

OvMsiString AddTrailingBackslash(const OvMsiString& path);
OvMsiString RemoveTrailingBackslash(const OvMsiString& path);
// The absolute folder of a path, ending in a backslash. Throws OvWinError.
OvMsiString GetParentFolder(const wchar_t* path);
// The program's own file. The program builds its paths in buffers of MAX_PATH characters,
// so a longer path is refused with ERROR_FILENAME_EXCED_RANGE. Throws OvWinError.
OvMsiString GetProgramPath();
// The folder of the program's file, ending in a backslash. Throws OvWinError.
OvMsiString GetProgramFolder();
// One row of the program's string table; empty when the row is missing or empty.
OvMsiString LoadResourceString(WORD row);
// One row filled in as OvMsiString::Format fills a format ("%s" takes a wide string).
template <typename... Args>
OvMsiString FormatResourceString(WORD row, Args... args)
{
    OvMsiString text;
    text.Format(LoadResourceString(row).c_str(), args...);
    return text;
}
// The module that LoadResourceString reads from (null: the program's own file).
void SetResourceModule(HINSTANCE module);
}  // namespace OvSetupLib
