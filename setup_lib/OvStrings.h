// Text, path and string-table functions of the support library.
#pragma once

#include "setup_lib/OvMsiString.h"

#include <vector>

namespace OvSetupLib
{
// Splits at every delimiter character; adjacent delimiters give empty tokens.
std::vector<OvMsiString> SplitString(const wchar_t* text, const wchar_t* delimiters);
OvMsiString AddTrailingBackslash(const OvMsiString& path);
OvMsiString RemoveTrailingBackslash(const OvMsiString& path);
// The absolute folder of a path, ending in a backslash. Throws OvWinError.
OvMsiString GetParentFolder(const wchar_t* path);
// One row of the program's string table; empty when the row is missing or empty.
OvMsiString& LoadResourceString(WORD row, OvMsiString& out);
// The module that LoadResourceString reads from (null: the program's own file).
void SetResourceModule(HINSTANCE module);
}  // namespace OvSetupLib
