// Files of the simulated machine: Windows paths mapped onto a host folder, names
// compared ignoring case, and the file calls over them.
#include <winsim/Machine.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using winsim::M;

namespace
{
std::wstring Slashes(std::wstring p)
{
    for (auto& c : p) {
        if (c == L'/') c = L'\\';
    }
    return p;
}

std::vector<std::wstring> Components(const std::wstring& rest)
{
    std::vector<std::wstring> parts;
    std::wstring cur;
    for (wchar_t c : rest) {
        if (c == L'\\') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

// Walks the components below a host folder, matching existing names ignoring case.
// "." and ".." are resolved first and never climb above the mapped folder, so no
// Windows path reaches host files outside the machine.
std::string MapBelow(std::string host, const std::wstring& rest)
{
    std::vector<std::wstring> parts;
    for (auto& part : Components(rest)) {
        if (part == L".") continue;
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    for (auto& part : parts) {
        std::string chosen = winsim::Narrow(part);
        std::error_code ec;
        if (fs::is_directory(host, ec)) {
            for (auto& entry : fs::directory_iterator(host, ec)) {
                std::string name = entry.path().filename().string();
                if (winsim::EqualNoCase(winsim::Widen(name), part)) {
                    chosen = name;
                    break;
                }
            }
        }
        host += "/" + chosen;
    }
    return host;
}

bool IsAbsolute(const std::wstring& p)
{
    return p.size() >= 3 && p[1] == L':' && p[2] == L'\\';
}

// A network path, \\server\share\...: not a device path (\\?\, \\.\).
bool IsUnc(const std::wstring& p)
{
    return p.size() > 2 && p[0] == L'\\' && p[1] == L'\\' && p[2] != L'?' && p[2] != L'.';
}

// The length of a network path's root, "\\server\share", which ".." never climbs above.
std::size_t UncRootLength(const std::wstring& p)
{
    std::size_t server = p.find(L'\\', 2);
    if (server == std::wstring::npos) return p.size();
    std::size_t share = p.find(L'\\', server + 1);
    return share == std::wstring::npos ? p.size() : share;
}

bool HasWildcard(const std::wstring& s)
{
    return s.find_first_of(L"*?") != std::wstring::npos;
}

bool WildMatch(const wchar_t* pat, const wchar_t* str)
{
    if (*pat == 0) return *str == 0;
    if (*pat == L'*') return WildMatch(pat + 1, str) || (*str != 0 && WildMatch(pat, str + 1));
    if (*str == 0) return false;
    if (*pat == L'?' || winsim::Upper(std::wstring(1, *pat)) == winsim::Upper(std::wstring(1, *str)))
        return WildMatch(pat + 1, str + 1);
    return false;
}

struct FileObject : winsim::Object {
    int fd = -1;
    std::string host;
    bool link = false;  // the link itself was opened (FILE_FLAG_OPEN_REPARSE_POINT), not what it leads to
    ~FileObject() override
    {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

namespace winsim
{
bool DescriptorTexts(const void* descriptor, std::wstring& owner, std::wstring& dacl);  // security.cpp
bool SharingViolation(const std::string& hostPath, DWORD access, DWORD share);          // sharing.cpp
bool IsDirectoryLink(const std::string& hostPath);                                      // links.cpp
DWORD LinkAttributes(const std::string& hostPath, bool linkItself);                     // links.cpp

bool HostPathOfHandle(HANDLE handle, std::string& hostPath)
{
    auto obj = std::dynamic_pointer_cast<FileObject>(GetObject(handle));
    if (!obj) return false;
    hostPath = obj->host;
    return true;
}
}  // namespace winsim

namespace
{
struct FindObject : winsim::Object {
};

// Where a file call of the program lands on the host: after WOW64 redirection.
std::string ProgramHostPath(const std::wstring& windowsPath)
{
    return M().HostPath(winsim::ProgramPath(windowsPath));
}

// Sets the error for a path whose file is missing: 3 when its folder is missing too.
void SetMissingError(const std::string& host)
{
    std::error_code ec;
    M().lastError = fs::is_directory(fs::path(host).parent_path(), ec) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}
}  // namespace

namespace winsim
{
std::string Machine::HostPath(const std::wstring& windowsPath) const
{
    std::wstring p = Slashes(windowsPath);
    const std::pair<std::wstring, std::string>* best = nullptr;
    for (auto& m : mounts) {
        std::wstring prefix = Slashes(m.first);
        if (!prefix.empty() && prefix.back() != L'\\') prefix += L'\\';
        if (Upper(p + L"\\").compare(0, prefix.size(), Upper(prefix)) == 0) {
            if (best == nullptr || prefix.size() > best->first.size()) best = &m;
        }
    }
    if (best != nullptr) {
        std::size_t len = best->first.size();
        std::wstring rest = p.size() > len ? p.substr(len) : L"";
        return MapBelow(best->second, rest);
    }
    // The shares of the network, each a folder of its own: \\server\share\x is never C:\server\share\x.
    if (IsUnc(p)) {
        std::size_t root = UncRootLength(p);
        return MapBelow(MapBelow(hostRoot + "/unc", p.substr(2, root - 2)), p.substr(root));
    }
    std::wstring drive = L"c";
    std::wstring rest = p;
    if (p.size() >= 2 && p[1] == L':') {
        drive = std::wstring(1, static_cast<wchar_t>(std::towlower(p[0])));
        rest = p.substr(2);
    }
    return MapBelow(hostRoot + "/" + Narrow(drive), rest);
}

void Machine::WriteFile(const std::wstring& windowsPath, const std::string& bytes)
{
    std::string host = HostPath(windowsPath);
    fs::create_directories(fs::path(host).parent_path());
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::optional<std::string> Machine::ReadFile(const std::wstring& windowsPath) const
{
    std::ifstream in(HostPath(windowsPath), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool Machine::Exists(const std::wstring& windowsPath) const
{
    std::error_code ec;
    return fs::exists(HostPath(windowsPath), ec);
}
}  // namespace winsim

DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart)
{
    if (winsim::Fails("GetFullPathNameW")) return 0;
    if (fileName == nullptr || *fileName == 0) {
        M().lastError = ERROR_INVALID_NAME;
        return 0;
    }
    std::wstring in = Slashes(fileName);
    std::wstring full;
    const std::wstring& cur = M().currentDirectory;
    if (IsAbsolute(in) || IsUnc(in)) {
        full = in;
    } else if (in.size() >= 2 && in[1] == L':') {
        // Relative to a drive: the current folder when it is on that drive.
        if (cur.size() >= 2 && std::towupper(cur[0]) == std::towupper(in[0]) && cur[1] == L':') {
            full = cur;
            if (full.back() != L'\\') full += L'\\';
            full += in.substr(2);
            // "C:" alone names the current folder itself, not a folder below it.
            if (in.size() == 2 && full.size() > 3) full.pop_back();
        } else {
            full = in.substr(0, 2) + L"\\" + in.substr(2);
        }
    } else if (!in.empty() && in[0] == L'\\') {
        // Rooted: the root of the current folder, a drive or a share.
        full = (IsUnc(cur) ? cur.substr(0, UncRootLength(cur)) : cur.substr(0, 2)) + in;
    } else {
        full = cur;
        if (full.empty() || full.back() != L'\\') full += L'\\';
        full += in;
    }
    bool trailing = full.back() == L'\\';
    std::size_t rootLength = IsUnc(full) ? UncRootLength(full) : 2;
    std::wstring root = full.substr(0, rootLength);
    std::vector<std::wstring> parts;
    for (auto& part : Components(full.substr(rootLength))) {
        if (part == L".") continue;
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    // "\\server\share" stays as it is; a drive always has its root backslash.
    std::wstring result = root;
    if (rootLength == 2 || rootLength < full.size()) result += L'\\';
    for (std::size_t i = 0; i < parts.size(); ++i) {
        result += parts[i];
        if (i + 1 < parts.size() || trailing) result += L'\\';
    }
    if (bufferLength <= result.size()) return static_cast<DWORD>(result.size() + 1);
    std::wmemcpy(buffer, result.c_str(), result.size() + 1);
    if (filePart != nullptr) {
        std::size_t slash = result.find_last_of(L'\\');
        *filePart = (slash > 1 && slash + 1 < result.size()) ? buffer + slash + 1 : nullptr;
    }
    return static_cast<DWORD>(result.size());
}

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE)
{
    if (winsim::Fails("CreateFileW")) return INVALID_HANDLE_VALUE;
    if (fileName == nullptr || *fileName == 0) {
        M().lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    std::string host = ProgramHostPath(fileName);
    std::error_code ec;
    bool exists = fs::exists(host, ec);
    // The link itself is opened, wherever it leads (and even when it leads nowhere).
    if ((flagsAndAttributes & FILE_FLAG_OPEN_REPARSE_POINT) && fs::is_symlink(fs::symlink_status(host, ec))) {
        if (creationDisposition == CREATE_NEW) {
            M().lastError = ERROR_FILE_EXISTS;
            return INVALID_HANDLE_VALUE;
        }
        auto obj = std::make_shared<FileObject>();
        obj->host = host;
        obj->link = true;
        M().lastError = creationDisposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
        return winsim::NewHandle(obj);
    }
    if (fs::is_directory(host, ec)) {
        if (!(flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS)) {
            M().lastError = ERROR_ACCESS_DENIED;
            return INVALID_HANDLE_VALUE;
        }
        auto obj = std::make_shared<FileObject>();
        obj->host = host;
        M().lastError = ERROR_SUCCESS;
        return winsim::NewHandle(obj);
    }
    int flags = 0;
    bool wantWrite = desiredAccess & (GENERIC_WRITE | GENERIC_ALL);
    bool wantRead = desiredAccess & (GENERIC_READ | GENERIC_ALL);
    flags = wantWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (creationDisposition) {
        case CREATE_NEW:
            if (exists) {
                M().lastError = ERROR_FILE_EXISTS;
                return INVALID_HANDLE_VALUE;
            }
            flags |= O_CREAT | O_EXCL;
            break;
        case CREATE_ALWAYS:
            flags |= O_CREAT | O_TRUNC;
            break;
        case OPEN_EXISTING:
            if (!exists) {
                SetMissingError(host);
                return INVALID_HANDLE_VALUE;
            }
            break;
        case OPEN_ALWAYS:
            flags |= O_CREAT;
            break;
        case TRUNCATE_EXISTING:
            if (!exists) {
                SetMissingError(host);
                return INVALID_HANDLE_VALUE;
            }
            flags |= O_TRUNC;
            break;
        default:
            M().lastError = ERROR_INVALID_PARAMETER;
            return INVALID_HANDLE_VALUE;
    }
    if (!fs::is_directory(fs::path(host).parent_path(), ec)) {
        M().lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    if (exists && winsim::SharingViolation(host, desiredAccess, shareMode)) {
        M().lastError = ERROR_SHARING_VIOLATION;
        return INVALID_HANDLE_VALUE;
    }
    int fd = ::open(host.c_str(), flags, 0644);
    if (fd < 0) {
        M().lastError = errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    auto obj = std::make_shared<FileObject>();
    obj->fd = fd;
    obj->host = host;
    M().lastError = (exists && (creationDisposition == OPEN_ALWAYS || creationDisposition == CREATE_ALWAYS))
                        ? ERROR_ALREADY_EXISTS
                        : ERROR_SUCCESS;
    return winsim::NewHandle(obj);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED)
{
    if (winsim::Fails("ReadFile")) return FALSE;
    auto obj = std::dynamic_pointer_cast<FileObject>(winsim::GetObject(file));
    if (!obj || obj->fd < 0) {
        M().lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    ssize_t n = ::read(obj->fd, buffer, bytesToRead);
    if (n < 0) {
        M().lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (bytesRead) *bytesRead = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED)
{
    if (winsim::Fails("WriteFile")) return FALSE;
    auto obj = std::dynamic_pointer_cast<FileObject>(winsim::GetObject(file));
    if (!obj || obj->fd < 0) {
        M().lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    ssize_t n = ::write(obj->fd, buffer, bytesToWrite);
    if (n < 0) {
        M().lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (bytesWritten) *bytesWritten = static_cast<DWORD>(n);
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD moveMethod)
{
    if (winsim::Fails("SetFilePointer")) return INVALID_SET_FILE_POINTER;
    auto obj = std::dynamic_pointer_cast<FileObject>(winsim::GetObject(file));
    if (!obj || obj->fd < 0) {
        M().lastError = ERROR_INVALID_HANDLE;
        return INVALID_SET_FILE_POINTER;
    }
    off_t offset = distance;
    if (distanceHigh)
        offset = static_cast<off_t>((static_cast<std::int64_t>(*distanceHigh) << 32) | static_cast<DWORD>(distance));
    int whence = moveMethod == FILE_END ? SEEK_END : moveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_SET;
    off_t r = ::lseek(obj->fd, offset, whence);
    if (r < 0) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh) *distanceHigh = static_cast<LONG>(r >> 32);
    M().lastError = ERROR_SUCCESS;
    return static_cast<DWORD>(r);
}

BOOL FlushFileBuffers(HANDLE file)
{
    if (winsim::Fails("FlushFileBuffers")) return FALSE;
    auto obj = std::dynamic_pointer_cast<FileObject>(winsim::GetObject(file));
    if (!obj) {
        M().lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info)
{
    if (winsim::Fails("GetFileInformationByHandle")) return FALSE;
    auto obj = std::dynamic_pointer_cast<FileObject>(winsim::GetObject(file));
    if (!obj) {
        M().lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    // A handle opened through a link reaches what it leads to; only the link itself is a reparse point.
    struct stat st {
    };
    if ((obj->link ? ::lstat(obj->host.c_str(), &st) : ::stat(obj->host.c_str(), &st)) != 0) {
        M().lastError = ERROR_FILE_NOT_FOUND;
        return FALSE;
    }
    std::memset(info, 0, sizeof *info);
    info->dwFileAttributes = winsim::LinkAttributes(obj->host, obj->link);
    info->nFileSizeLow = static_cast<DWORD>(st.st_size);
    info->nFileSizeHigh = static_cast<DWORD>(static_cast<std::uint64_t>(st.st_size) >> 32);
    // A folder has one name on Windows, whatever the host counts for it.
    info->nNumberOfLinks = S_ISDIR(st.st_mode) ? 1 : static_cast<DWORD>(st.st_nlink);
    info->nFileIndexLow = static_cast<DWORD>(st.st_ino);
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR fileName)
{
    if (winsim::Fails("GetFileAttributesW")) return INVALID_FILE_ATTRIBUTES;
    std::string host = ProgramHostPath(fileName ? fileName : L"");
    struct stat st {
    };
    if (::lstat(host.c_str(), &st) != 0) {
        SetMissingError(host);
        return INVALID_FILE_ATTRIBUTES;
    }
    return winsim::LinkAttributes(host, true);
}

BOOL DeleteFileW(LPCWSTR fileName)
{
    if (winsim::Fails("DeleteFileW")) return FALSE;
    std::string host = ProgramHostPath(fileName ? fileName : L"");
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(host, ec))) {
        SetMissingError(host);
        return FALSE;
    }
    // A directory link (a junction, a directory symbolic link) is a directory too.
    if (fs::is_directory(fs::symlink_status(host, ec)) || winsim::IsDirectoryLink(host)) {
        M().lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    fs::remove(host, ec);
    return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES attributes)
{
    if (winsim::Fails("CreateDirectoryW")) return FALSE;
    std::wstring p = Slashes(pathName ? pathName : L"");
    while (!p.empty() && p.back() == L'\\')
        p.pop_back();
    std::string host = ProgramHostPath(p);
    std::error_code ec;
    // A link of that name is there, even when it leads nowhere.
    if (fs::exists(fs::symlink_status(host, ec))) {
        M().lastError = ERROR_ALREADY_EXISTS;
        return FALSE;
    }
    // A drive root always exists on the simulated machine.
    std::size_t slash = p.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2) {
        if (!fs::is_directory(ProgramHostPath(p.substr(0, slash)), ec)) {
            M().lastError = ERROR_PATH_NOT_FOUND;
            return FALSE;
        }
    } else {
        fs::create_directories(fs::path(host).parent_path(), ec);
    }
    std::wstring owner, dacl;
    bool described = attributes != nullptr && attributes->lpSecurityDescriptor != nullptr;
    if (described && !winsim::DescriptorTexts(attributes->lpSecurityDescriptor, owner, dacl)) {
        M().lastError = ERROR_INVALID_SECURITY_DESCR;
        return FALSE;
    }
    if (!fs::create_directory(host, ec)) {
        M().lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (described) M().securityRecords.push_back({"CreateDirectoryW", host, owner, dacl});
    return TRUE;
}

HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData)
{
    if (winsim::Fails("FindFirstFileW")) return INVALID_HANDLE_VALUE;
    std::wstring p = Slashes(fileName ? fileName : L"");
    std::size_t slash = p.find_last_of(L'\\');
    std::wstring folder = slash == std::wstring::npos ? M().currentDirectory : p.substr(0, slash + 1);
    std::wstring pattern = slash == std::wstring::npos ? p : p.substr(slash + 1);
    if (pattern.empty()) {
        M().lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    std::string hostFolder = ProgramHostPath(folder);
    std::error_code ec;
    bool isRoot = folder.size() <= 3;
    if (!isRoot && !fs::is_directory(hostFolder, ec)) {
        M().lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    if (fs::is_directory(hostFolder, ec)) {
        for (auto& entry : fs::directory_iterator(hostFolder, ec)) {
            std::wstring name = winsim::Widen(entry.path().filename().string());
            bool match =
                HasWildcard(pattern) ? WildMatch(pattern.c_str(), name.c_str()) : winsim::EqualNoCase(name, pattern);
            if (!match) continue;
            std::memset(findData, 0, sizeof *findData);
            findData->dwFileAttributes = winsim::LinkAttributes(entry.path().string(), true);
            std::size_t n = std::min<std::size_t>(name.size(), MAX_PATH - 1);
            std::wmemcpy(findData->cFileName, name.c_str(), n);
            findData->cFileName[n] = 0;
            M().lastError = ERROR_SUCCESS;
            return winsim::NewHandle(std::make_shared<FindObject>());
        }
    }
    M().lastError = ERROR_FILE_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
}

BOOL FindClose(HANDLE findFile)
{
    if (!std::dynamic_pointer_cast<FindObject>(winsim::GetObject(findFile))) {
        M().lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return CloseHandle(findFile);
}

HRESULT SHGetFolderPathW(HWND, int folder, HANDLE, DWORD, LPWSTR path)
{
    if (winsim::Fails("SHGetFolderPathW")) return HRESULT_FROM_WIN32(M().lastError);
    if (folder != CSIDL_COMMON_APPDATA) return E_INVALIDARG;
    const std::wstring& p = M().commonAppData;
    std::size_t n = std::min<std::size_t>(p.size(), MAX_PATH - 1);
    std::wmemcpy(path, p.c_str(), n);
    path[n] = 0;
    // S_OK says the folder exists: make it so on the host.
    if (M().commonAppDataResult == S_OK) {
        std::error_code ec;
        fs::create_directories(ProgramHostPath(p), ec);
    }
    return M().commonAppDataResult;
}
