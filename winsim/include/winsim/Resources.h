// The program's resources as the compiled .res holds them.
#pragma once

#include <winsim/winsim.h>

#include <string>
#include <vector>

namespace winsim
{
struct ResourceId {
    WORD ordinal = 0;   // when name is empty
    std::wstring name;  // a named type or resource
};
struct ResourceEntry {
    ResourceId type;
    ResourceId name;
    WORD language = 0;
    const unsigned char* data = nullptr;
    DWORD size = 0;
};
const std::vector<ResourceEntry>& ProgramResources();
const ResourceEntry* FindProgramResource(LPCWSTR type, LPCWSTR name, WORD language);
}  // namespace winsim
