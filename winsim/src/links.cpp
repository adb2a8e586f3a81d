// Directory links on the simulated machine: a host symbolic link to a folder stands for a
// junction or a directory symbolic link, which Windows treats as a folder of its own: it is
// removed with RemoveDirectoryW (the link goes, not what it leads to), never DeleteFileW.
#include <winsim/Machine.h>

#include <filesystem>

namespace fs = std::filesystem;
using winsim::M;

namespace winsim
{
bool IsDirectoryLink(const std::string& hostPath)
{
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(hostPath, ec)) && fs::is_directory(fs::status(hostPath, ec));
}
}  // namespace winsim

BOOL RemoveDirectoryW(LPCWSTR pathName)
{
    if (winsim::Fails("RemoveDirectoryW")) return FALSE;
    std::string host = M().HostPath(pathName ? pathName : L"");
    std::error_code ec;
    auto status = fs::symlink_status(host, ec);
    if (!fs::exists(status)) {
        M().lastError =
            fs::is_directory(fs::path(host).parent_path(), ec) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    if (winsim::IsDirectoryLink(host)) {
        fs::remove(host, ec);
        return TRUE;
    }
    if (!fs::is_directory(status)) {
        M().lastError = ERROR_DIRECTORY;
        return FALSE;
    }
    if (!fs::is_empty(host, ec)) {
        M().lastError = ERROR_DIR_NOT_EMPTY;
        return FALSE;
    }
    fs::remove(host, ec);
    return TRUE;
}
