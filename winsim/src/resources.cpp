// Resources of the program, served from the compiled .res that the build embeds,
// so that host tests read the bytes that ship.
#include <winsim/Machine.h>
#include <winsim/Resources.h>

#include <cstring>

extern "C" const unsigned char ovEmbeddedRes[];
extern "C" const std::size_t ovEmbeddedResSize;

using winsim::M;

namespace winsim
{
namespace
{
WORD U16(const unsigned char* p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}
DWORD U32(const unsigned char* p)
{
    return static_cast<DWORD>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24));
}

// A type or name: an ordinal (0xFFFF, id) or a counted string.
const unsigned char* ReadId(const unsigned char* p, const unsigned char* end, ResourceId& id)
{
    if (p + 2 > end) return nullptr;
    if (U16(p) == 0xFFFF) {
        if (p + 4 > end) return nullptr;
        id.ordinal = U16(p + 2);
        id.name.clear();
        return p + 4;
    }
    id.ordinal = 0;
    while (p + 2 <= end && U16(p) != 0) {
        id.name += static_cast<wchar_t>(U16(p));
        p += 2;
    }
    return p + 2 <= end ? p + 2 : nullptr;
}

std::vector<ResourceEntry> Parse()
{
    std::vector<ResourceEntry> entries;
    const unsigned char* p = ovEmbeddedRes;
    const unsigned char* end = ovEmbeddedRes + ovEmbeddedResSize;
    while (p + 8 <= end) {
        DWORD dataSize = U32(p);
        DWORD headerSize = U32(p + 4);
        const unsigned char* header = p;
        ResourceEntry e;
        const unsigned char* q = ReadId(p + 8, end, e.type);
        if (q == nullptr) break;
        q = ReadId(q, end, e.name);
        if (q == nullptr) break;
        e.language = U16(header + headerSize - 10);
        e.data = header + headerSize;
        e.size = dataSize;
        if (e.data + dataSize > end) break;
        if (dataSize > 0 || e.type.ordinal != 0) entries.push_back(e);
        std::size_t step = headerSize + ((dataSize + 3) & ~3u);
        p += step;
    }
    return entries;
}

bool Matches(const ResourceId& id, LPCWSTR want)
{
    if (IS_INTRESOURCE(want))
        return id.name.empty() && id.ordinal == static_cast<WORD>(reinterpret_cast<ULONG_PTR>(want));
    return !id.name.empty() && winsim::EqualNoCase(id.name, want);
}
}  // namespace

const std::vector<ResourceEntry>& ProgramResources()
{
    static const std::vector<ResourceEntry> entries = Parse();
    return entries;
}

const ResourceEntry* FindProgramResource(LPCWSTR type, LPCWSTR name, WORD language)
{
    const ResourceEntry* any = nullptr;
    for (auto& e : ProgramResources()) {
        if (!Matches(e.type, type) || !Matches(e.name, name)) continue;
        if (e.language == language) return &e;
        if (any == nullptr) any = &e;
    }
    // The neutral language lets the system choose among the languages present.
    return language == 0 ? any : nullptr;
}
}  // namespace winsim

HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language)
{
    if (winsim::Fails("FindResourceExW")) return nullptr;
    if (module != nullptr && module != GetModuleHandleW(nullptr)) {
        M().lastError = ERROR_RESOURCE_DATA_NOT_FOUND;
        return nullptr;
    }
    const winsim::ResourceEntry* e = winsim::FindProgramResource(type, name, language);
    if (e == nullptr) {
        M().lastError = ERROR_RESOURCE_NAME_NOT_FOUND;
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<winsim::ResourceEntry*>(e));
}

HGLOBAL LoadResource(HMODULE, HRSRC resInfo)
{
    if (winsim::Fails("LoadResource")) return nullptr;
    if (resInfo == nullptr) {
        M().lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return const_cast<unsigned char*>(reinterpret_cast<winsim::ResourceEntry*>(resInfo)->data);
}

LPVOID LockResource(HGLOBAL resData)
{
    return resData;
}

DWORD SizeofResource(HMODULE, HRSRC resInfo)
{
    return resInfo ? reinterpret_cast<winsim::ResourceEntry*>(resInfo)->size : 0;
}
