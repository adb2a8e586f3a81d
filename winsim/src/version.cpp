// Version information of files: a VS_VERSIONINFO-shaped block built from the machine's
// file versions. A bare name is looked for in the system folder, and the path is the one
// the program's file calls reach (System32 or, redirected, SysWOW64).
#include <winsim/Machine.h>

#include <cstring>
#include <string>
#include <vector>

using winsim::M;

namespace
{
const winsim::FileVersion* Lookup(LPCWSTR fileName)
{
    if (fileName == nullptr) return nullptr;
    std::wstring name = fileName;
    bool bare = name.find_first_of(L"\\/:") == std::wstring::npos;
    std::wstring path = winsim::ProgramPath(bare ? M().systemDirectory + L"\\" + name : name);
    auto it = M().fileVersions.find(path);
    if (it == M().fileVersions.end() && winsim::InSystemFolders(path)) {
        it = M().fileVersions.find(path.substr(path.find_last_of(L'\\') + 1));
    }
    return it == M().fileVersions.end() ? nullptr : &it->second;
}

// wLength, wValueLength, wType, the key "VS_VERSION_INFO" in UTF-16 with its terminator,
// padding to 4 bytes, then the fixed file information.
constexpr std::size_t kKeyChars = 16;  // "VS_VERSION_INFO" and the terminator
constexpr std::size_t kHeaderBytes = 6 + kKeyChars * 2;
constexpr std::size_t kFixedOffset = (kHeaderBytes + 3) & ~static_cast<std::size_t>(3);
constexpr std::size_t kBlockBytes = kFixedOffset + sizeof(VS_FIXEDFILEINFO);

std::vector<BYTE> BuildBlock(const winsim::FileVersion& v)
{
    std::vector<BYTE> block(kBlockBytes, 0);
    auto put16 = [&](std::size_t at, WORD value) {
        block[at] = static_cast<BYTE>(value & 0xFF);
        block[at + 1] = static_cast<BYTE>(value >> 8);
    };
    put16(0, static_cast<WORD>(kBlockBytes));
    put16(2, static_cast<WORD>(sizeof(VS_FIXEDFILEINFO)));
    put16(4, 0);
    const char* key = "VS_VERSION_INFO";
    for (std::size_t i = 0; key[i] != 0; ++i)
        put16(6 + i * 2, static_cast<WORD>(key[i]));
    VS_FIXEDFILEINFO info{};
    info.dwSignature = 0xFEEF04BD;
    info.dwStrucVersion = 0x00010000;
    info.dwFileVersionMS = (static_cast<DWORD>(v.major) << 16) | v.minor;
    info.dwFileVersionLS = (static_cast<DWORD>(v.build) << 16) | v.revision;
    // The product version differs on purpose, so that a reader taking the wrong one shows.
    info.dwProductVersionMS = info.dwFileVersionMS + 0x00010000;
    info.dwProductVersionLS = info.dwFileVersionLS + 1;
    info.dwFileFlagsMask = 0x3F;
    info.dwFileOS = 0x00040004;
    info.dwFileType = 2;
    std::memcpy(block.data() + kFixedOffset, &info, sizeof info);
    return block;
}

bool Known(LPCWSTR fileName, const winsim::FileVersion*& found)
{
    found = Lookup(fileName);
    if (found == nullptr) {
        M().lastError = ERROR_FILE_NOT_FOUND;
        return false;
    }
    if (!found->hasResource) {
        M().lastError = found->otherResources ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_RESOURCE_DATA_NOT_FOUND;
        return false;
    }
    return true;
}
}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle)
{
    winsim::EnterDelayLoaded("version.dll");
    if (handle) *handle = 0;
    if (winsim::Fails("GetFileVersionInfoSizeW")) return 0;
    const winsim::FileVersion* v = nullptr;
    if (!Known(fileName, v)) return 0;
    return static_cast<DWORD>(kBlockBytes);
}

BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD, DWORD length, LPVOID data)
{
    winsim::EnterDelayLoaded("version.dll");
    if (winsim::Fails("GetFileVersionInfoW")) return FALSE;
    const winsim::FileVersion* v = nullptr;
    if (!Known(fileName, v)) return FALSE;
    if (data == nullptr) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    std::vector<BYTE> block = BuildBlock(*v);
    std::memcpy(data, block.data(), length < block.size() ? length : block.size());
    return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length)
{
    winsim::EnterDelayLoaded("version.dll");
    if (winsim::Fails("VerQueryValueW")) return FALSE;
    if (block == nullptr || subBlock == nullptr || buffer == nullptr) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    const auto* bytes = static_cast<const BYTE*>(block);
    WORD total = static_cast<WORD>(bytes[0] | (bytes[1] << 8));
    WORD valueLength = static_cast<WORD>(bytes[2] | (bytes[3] << 8));
    if (std::wstring(subBlock) != L"\\" || total < kBlockBytes || valueLength != sizeof(VS_FIXEDFILEINFO)) {
        M().lastError = ERROR_RESOURCE_TYPE_NOT_FOUND;
        return FALSE;
    }
    *buffer = const_cast<BYTE*>(bytes + kFixedOffset);
    if (length) *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}
