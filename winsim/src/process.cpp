// Processes of the simulated machine: CreateProcessW finds the image as Windows
// does, records the start and runs the program's model. A program runs for the simulated
// time its model gives, or until it is ended; its process is signalled when it ends.
#include "Internals.h"

#include <cstring>
#include <filesystem>

using winsim::M;

namespace
{
struct ProcessObject : winsim::Object {
    DWORD id = 0;
    DWORD exitCode = 0;
    bool running = true;
    ULONGLONG endsAt = winsim::kNever;  // when it ends by itself
    std::wstring commandLine;
    std::function<void(winsim::Machine&, const std::wstring&)> effect;
    ULONGLONG SignaledAt() const override { return running ? endsAt : 0; }
};
struct ThreadObject : winsim::Object {
};

std::shared_ptr<ProcessObject> Process(DWORD id)
{
    auto& processes = M().internals->processes;
    auto it = processes.find(id);
    return it == processes.end() ? nullptr : std::static_pointer_cast<ProcessObject>(it->second);
}

// The program ends: by itself (its model's effect happens) or ended from outside.
void Finish(ProcessObject& p, DWORD exitCode, bool byItself)
{
    p.running = false;
    p.exitCode = exitCode;
    if (byItself && p.effect) {
        auto effect = std::move(p.effect);
        effect(M(), p.commandLine);
    }
}

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
    auto& in = *M().internals;
    in.nextProcessId += 4;
    auto proc = std::make_shared<ProcessObject>();
    proc->id = in.nextProcessId;
    proc->commandLine = cmd;
    proc->exitCode = model->second.exitCode;
    proc->effect = model->second.effect;
    const DWORD runsFor = model->second.runsFor;
    if (runsFor != winsim::kRunsUntilEnded) proc->endsAt = M().clock + runsFor;
    in.processes[proc->id] = proc;
    M().started.push_back(winsim::StartedProcess{applicationName ? applicationName : L"", cmd, image, proc->id});
    // A program that takes no time has ended when the call returns.
    if (runsFor == 0) Finish(*proc, proc->exitCode, true);
    processInformation->hProcess = winsim::NewHandle(proc);
    processInformation->hThread = winsim::NewHandle(std::make_shared<ThreadObject>());
    processInformation->dwProcessId = proc->id;
    processInformation->dwThreadId = proc->id + 1;
    M().lastError = ERROR_SUCCESS;
    return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode)
{
    if (winsim::Fails("TerminateProcess")) return FALSE;
    if (process == GetCurrentProcess()) throw winsim::ProcessExit{static_cast<int>(exitCode)};
    auto obj = std::dynamic_pointer_cast<ProcessObject>(winsim::GetObject(process));
    if (!obj) {
        M().lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    // A process that has ended cannot be ended again.
    if (!obj->running) {
        M().lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    Finish(*obj, exitCode, false);
    return TRUE;
}

namespace winsim
{
void AdvanceClock(ULONGLONG milliseconds)
{
    const ULONGLONG target = milliseconds >= kNever - M().clock ? kNever - 1 : M().clock + milliseconds;
    // Programs whose time comes end in the order of their ends, each at its moment, so that
    // an effect sees the clock as it was when that program ended.
    for (;;) {
        std::shared_ptr<ProcessObject> next;
        for (auto& [id, object] : M().internals->processes) {
            auto p = std::static_pointer_cast<ProcessObject>(object);
            if (p->running && p->endsAt <= target && (!next || p->endsAt < next->endsAt)) next = p;
        }
        if (!next) break;
        if (next->endsAt > M().clock) M().clock = next->endsAt;
        Finish(*next, next->exitCode, true);
    }
    M().clock = target;
}

bool EndProcess(DWORD processId, DWORD exitCode)
{
    auto p = Process(processId);
    if (!p || !p->running) return false;
    Finish(*p, exitCode, false);
    return true;
}
}  // namespace winsim

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
