// Processes of the simulated machine: CreateProcessW finds the image as Windows
// does, records the start and runs the program's model; waiting sees it ended.
#include <winsim/Machine.h>

#include <cstring>
#include <filesystem>

using winsim::M;

namespace
{
struct ProcessObject : winsim::Object {
    DWORD exitCode = 0;
    bool running = false;
    bool Signaled() const override { return !running; }
};
struct ThreadObject : winsim::Object {
};

// A folder is never a program file, whatever its name.
bool Resolvable(const std::wstring& fullPath)
{
    std::wstring reached = winsim::ProgramPath(fullPath);
    if (M().programs.count(reached) != 0) return true;
    std::error_code ec;
    return std::filesystem::is_regular_file(M().HostPath(reached), ec);
}

std::wstring FullPath(const std::wstring& path)
{
    wchar_t buf[4096];
    DWORD saved = M().lastError;
    DWORD n = GetFullPathNameW(path.c_str(), 4096, buf, nullptr);
    M().lastError = saved;
    return n == 0 || n >= 4096 ? path : std::wstring(buf, n);
}

bool HasExtension(const std::wstring& p)
{
    std::size_t slash = p.find_last_of(L"\\/");
    std::size_t dot = p.find_last_of(L'.');
    return dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
}

// Finds a program file the way CreateProcessW looks up a name without a folder.
std::wstring Search(const std::wstring& name)
{
    if (name.find_first_of(L"\\/:") != std::wstring::npos) {
        std::wstring full = FullPath(name);
        return Resolvable(full) ? full : L"";
    }
    std::vector<std::wstring> folders;
    std::wstring module = M().modulePath;
    folders.push_back(module.substr(0, module.find_last_of(L'\\') + 1));
    folders.push_back(M().currentDirectory);
    folders.push_back(M().systemDirectory);
    folders.push_back(L"C:\\Windows");
    auto path = M().environment.find(L"PATH");
    if (path != M().environment.end()) {
        std::wstring rest = path->second;
        std::size_t pos = 0;
        while (pos <= rest.size()) {
            std::size_t next = rest.find(L';', pos);
            std::wstring f = rest.substr(pos, next == std::wstring::npos ? std::wstring::npos : next - pos);
            if (!f.empty()) folders.push_back(f);
            if (next == std::wstring::npos) break;
            pos = next + 1;
        }
    }
    for (auto f : folders) {
        if (!f.empty() && f.back() != L'\\') f += L'\\';
        std::wstring full = FullPath(f + name);
        if (Resolvable(full)) return full;
    }
    return L"";
}

std::wstring ImageFromCommandLine(const std::wstring& cmd)
{
    if (!cmd.empty() && cmd[0] == L'"') {
        std::size_t end = cmd.find(L'"', 1);
        std::wstring name = cmd.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
        if (!HasExtension(name)) name += L".exe";
        return Search(name);
    }
    // Unquoted: each blank-separated beginning in turn, the first that names a file.
    std::size_t pos = 0;
    while (true) {
        std::size_t blank = cmd.find(L' ', pos);
        std::wstring candidate = cmd.substr(0, blank);
        if (!HasExtension(candidate)) candidate += L".exe";
        std::wstring found = Search(candidate);
        if (!found.empty()) return found;
        if (blank == std::wstring::npos) return L"";
        pos = blank + 1;
    }
}
}  // namespace

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                    DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation)
{
    if (winsim::Fails("CreateProcessW")) return FALSE;
    if (startupInfo == nullptr || processInformation == nullptr ||
        (applicationName == nullptr && commandLine == nullptr)) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    std::wstring cmd = commandLine ? commandLine : L"";
    std::wstring image;
    if (applicationName != nullptr) {
        // The application name is used as given: no search.
        std::wstring full = FullPath(applicationName);
        image = Resolvable(full) ? full : L"";
    } else {
        image = ImageFromCommandLine(cmd);
    }
    if (image.empty()) {
        M().lastError = ERROR_FILE_NOT_FOUND;
        return FALSE;
    }
    // A 32-bit caller naming System32 starts the program in SysWOW64.
    image = winsim::ProgramPath(image);
    auto model = M().programs.find(image);
    if (model == M().programs.end()) {
        M().lastError = ERROR_BAD_EXE_FORMAT;
        return FALSE;
    }
    M().started.push_back(winsim::StartedProcess{applicationName ? applicationName : L"", cmd, image});
    auto proc = std::make_shared<ProcessObject>();
    proc->exitCode = model->second.exitCode;
    proc->running = model->second.stillRunning;
    auto effect = model->second.effect;
    if (effect) effect(M(), cmd);
    processInformation->hProcess = winsim::NewHandle(proc);
    processInformation->hThread = winsim::NewHandle(std::make_shared<ThreadObject>());
    processInformation->dwProcessId = static_cast<DWORD>(1000 + 4 * M().started.size());
    processInformation->dwThreadId = processInformation->dwProcessId + 1;
    M().lastError = ERROR_SUCCESS;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD)
{
    if (winsim::Fails("WaitForSingleObject")) return WAIT_FAILED;
    auto obj = winsim::GetObject(handle);
    if (!obj) {
        M().lastError = ERROR_INVALID_HANDLE;
        return WAIT_FAILED;
    }
    return obj->Signaled() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode)
{
    if (winsim::Fails("GetExitCodeProcess")) return FALSE;
    auto obj = std::dynamic_pointer_cast<ProcessObject>(winsim::GetObject(process));
    if (!obj) {
        M().lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    *exitCode = obj->running ? STILL_ACTIVE : obj->exitCode;
    return TRUE;
}
