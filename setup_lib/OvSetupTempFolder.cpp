#include "setup_lib/OvSetupTempFolder.h"

#include "setup_lib/OvWinError.h"

namespace OvSetupLib
{
namespace
{
void CreateComponent(const OvMsiString& path)
{
    if (!CreateDirectoryW(path.c_str(), nullptr)) {
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) throw OvWinError(error);
    }
}
}  // namespace

OvMsiString GetSetupTempFolder()
{
    OvMsiString folder;
    HRESULT result =
        SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder.OpenBuffer(261));
    folder.CloseBuffer(-1);
    // E_FAIL still gives the path of a folder that does not exist yet.
    if (result != S_OK && result != E_FAIL) {
        DWORD value = static_cast<DWORD>(result);
        throw OvWinError((value & 0x1FFF0000u) == 0x00070000u ? (value & 0xFFFFu) : value);
    }
    // No path at all would put the folders beside whatever the current folder is.
    if (folder.empty()) throw OvWinError(ERROR_PATH_NOT_FOUND);
    // The common folder itself is missing then; the three below it need it.
    if (result == E_FAIL) CreateComponent(folder);
    folder += L"\\Orvale";
    CreateComponent(folder);
    folder += L"\\Setup";
    CreateComponent(folder);
    folder += L"\\Temp\\";
    CreateComponent(folder);
    return folder;
}
}  // namespace OvSetupLib
