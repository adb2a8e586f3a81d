// The simulated machine itself: naming rules, faults, handles, the process's own
// facts, memory, and the small system queries.
#include "Internals.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>

#include <unistd.h>

namespace winsim
{
namespace
{
std::unique_ptr<Machine> g_machine;

struct ProcEntry {
    std::string module;
    std::string name;
    FARPROC address;
};
std::vector<ProcEntry>& Procs()
{
    static std::vector<ProcEntry> procs;
    return procs;
}

std::string LowerAscii(std::string s)
{
    for (auto& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}
}  // namespace

bool NoCaseLess::operator()(const std::wstring& a, const std::wstring& b) const
{
    return Upper(a) < Upper(b);
}

std::wstring Upper(const std::wstring& s)
{
    std::wstring r(s);
    for (auto& c : r) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return r;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b)
{
    return Upper(a) == Upper(b);
}

std::string Narrow(const std::wstring& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(s[i]) & 0xFFFF;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size()) {
            std::uint32_t lo = static_cast<std::uint32_t>(s[i + 1]) & 0xFFFF;
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring Widen(const std::string& s)
{
    std::wstring out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        std::uint32_t c = b;
        std::size_t n = 1;
        if (b >= 0xF0 && i + 3 < s.size() + 0) {
            c = ((b & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
            n = 4;
        } else if (b >= 0xE0 && i + 2 < s.size()) {
            c = ((b & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
            n = 3;
        } else if (b >= 0xC0 && i + 1 < s.size()) {
            c = ((b & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
            n = 2;
        }
        i += n;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

Machine::Machine() : internals(new Internals)
{
    static std::mt19937_64 rng(std::random_device{}());
    auto dir =
        std::filesystem::temp_directory_path() / ("winsim-" + std::to_string(::getpid()) + "-" + std::to_string(rng()));
    std::filesystem::create_directories(dir);
    hostRoot = dir.string();
    environment[L"NUMBER_OF_PROCESSORS"] = L"2";
    environment[L"SystemRoot"] = L"C:\\Windows";
    services[L"msiserver"] = ServiceModel{};
    fileVersions[L"msi.dll"] = FileVersion{5, 0, 7601, 17514, true};
    fileVersions[L"windowscodecs.dll"] = FileVersion{6, 1, 7601, 17514, true};
    Key(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion");
    Key(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full", true).values[L"Install"] =
        RegistryValue{REG_DWORD, {1, 0, 0, 0}};
}

Machine::~Machine()
{
    std::error_code ec;
    std::filesystem::remove_all(hostRoot, ec);
}

int Machine::OpenHandles() const
{
    return static_cast<int>(internals->handles.size());
}

std::wstring Machine::RegistryPath(HKEY root, const std::wstring& path, bool view64)
{
    std::wstring r;
    if (root == HKEY_CURRENT_USER) {
        r = L"HKCU\\";
        view64 = true;  // one view under the user's hive
    } else if (root == HKEY_LOCAL_MACHINE) {
        r = L"HKLM\\";
    } else if (root == HKEY_USERS) {
        r = L"HKU\\";
    } else {
        r = L"HKCR\\";
    }
    r += view64 ? L"64\\" : L"32\\";
    std::wstring p = path;
    while (!p.empty() && p.back() == L'\\')
        p.pop_back();
    return r + p;
}

RegistryKey& Machine::Key(HKEY root, const std::wstring& path, bool view64)
{
    // Creating a key creates its parents, as the registry does.
    std::wstring partial;
    std::size_t pos = 0;
    while (true) {
        std::size_t next = path.find(L'\\', pos);
        partial = path.substr(0, next);
        registry[RegistryPath(root, partial, view64)];
        if (next == std::wstring::npos) break;
        pos = next + 1;
    }
    return registry[RegistryPath(root, path, view64)];
}

RegistryValue* Machine::Value(HKEY root, const std::wstring& path, const std::wstring& name, bool view64)
{
    auto k = registry.find(RegistryPath(root, path, view64));
    if (k == registry.end()) return nullptr;
    auto v = k->second.values.find(name);
    return v == k->second.values.end() ? nullptr : &v->second;
}

Machine& M()
{
    if (!g_machine) g_machine.reset(new Machine);
    return *g_machine;
}

void Reset()
{
    g_machine.reset();
    g_machine.reset(new Machine);
}

bool Fails(const char* function)
{
    if (M().recordCalls) M().calls.emplace_back(function);
    auto& faults = M().faults;
    auto it = faults.find(function);
    if (it == faults.end()) return false;
    Fault& f = it->second;
    if (f.skip > 0) {
        --f.skip;
        return false;
    }
    if (f.remaining == 0) return false;
    if (f.remaining > 0) --f.remaining;
    M().lastError = f.code;
    return true;
}

void RegisterProc(const char* module, const char* name, FARPROC address)
{
    Procs().push_back(ProcEntry{LowerAscii(module), name, address});
}

HANDLE NewHandle(std::shared_ptr<Object> object)
{
    auto& in = *M().internals;
    HANDLE h = reinterpret_cast<HANDLE>(in.nextHandle);
    in.nextHandle += 4;
    in.handles[h] = std::move(object);
    return h;
}

std::shared_ptr<Object> GetObject(HANDLE handle)
{
    auto& in = *M().internals;
    auto it = in.handles.find(handle);
    return it == in.handles.end() ? nullptr : it->second;
}
}  // namespace winsim

using winsim::M;

// ---- tokens and named objects ----
namespace
{
struct TokenObject : winsim::Object {
};
// A handle to a named object. The name disappears with the last handle when this
// process created it; names that a test set up stand for another process's objects.
struct MutexObject : winsim::Object {
    std::wstring name;
    std::map<std::wstring, winsim::NamedObject>* objects = nullptr;
    ~MutexObject() override
    {
        if (objects == nullptr) return;
        auto it = objects->find(name);
        if (it == objects->end()) return;
        if (--it->second.handles <= 0 && it->second.createdHere) objects->erase(it);
    }
};
}  // namespace

DWORD GetLastError()
{
    return M().lastError;
}

void SetLastError(DWORD code)
{
    M().lastError = code;
}

BOOL CloseHandle(HANDLE object)
{
    if (winsim::Fails("CloseHandle")) return FALSE;
    // INVALID_HANDLE_VALUE is also the current process's pseudo-handle: closing it succeeds.
    if (object == GetCurrentProcess()) return TRUE;
    auto& handles = M().internals->handles;
    auto it = handles.find(object);
    if (it == handles.end()) {
        M().lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    handles.erase(it);
    return TRUE;
}

void OvExitProcess(int code)
{
    throw winsim::ProcessExit{code};
}

namespace
{
void EnsureBuiltInProcs();
}  // namespace

FARPROC GetProcAddress(HMODULE module, LPCSTR procName)
{
    // Callers may run during static initialisation, before any other table is made.
    EnsureBuiltInProcs();
    std::string mod = winsim::ModuleNameOf(module);
    if (procName == nullptr || mod.empty()) {
        M().lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if (M().missingProcs.count(mod + "!" + procName)) {
        M().lastError = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    for (auto& p : winsim::Procs()) {
        if (p.module == mod && p.name == procName) return p.address;
    }
    M().lastError = ERROR_PROC_NOT_FOUND;
    return nullptr;
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size)
{
    if (module != nullptr && module != winsim::ProgramModule()) {
        M().lastError = ERROR_MOD_NOT_FOUND;
        return 0;
    }
    if (winsim::Fails("GetModuleFileNameW")) return 0;
    const std::wstring& path = M().modulePath;
    if (size == 0) {
        M().lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    if (path.size() >= size) {
        // Truncated and terminated, as Windows Vista and later do.
        std::wmemcpy(fileName, path.c_str(), size - 1);
        fileName[size - 1] = 0;
        M().lastError = ERROR_INSUFFICIENT_BUFFER;
        return size;
    }
    std::wmemcpy(fileName, path.c_str(), path.size() + 1);
    M().lastError = ERROR_SUCCESS;
    return static_cast<DWORD>(path.size());
}

LPWSTR GetCommandLineW()
{
    return M().commandLine.data();
}

HANDLE GetCurrentProcess()
{
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size)
{
    if (winsim::Fails("GetEnvironmentVariableW")) return 0;
    auto it = M().environment.find(name ? name : L"");
    if (it == M().environment.end()) {
        M().lastError = ERROR_ENVVAR_NOT_FOUND;
        return 0;
    }
    const std::wstring& v = it->second;
    if (buffer == nullptr || size <= v.size()) return static_cast<DWORD>(v.size() + 1);
    std::wmemcpy(buffer, v.c_str(), v.size() + 1);
    return static_cast<DWORD>(v.size());
}

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size)
{
    const std::wstring& d = M().systemDirectory;
    if (buffer == nullptr || size <= d.size()) return static_cast<UINT>(d.size() + 1);
    std::wmemcpy(buffer, d.c_str(), d.size() + 1);
    return static_cast<UINT>(d.size());
}

BOOL GetVersionExW(LPOSVERSIONINFOW info)
{
    if (info == nullptr || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW) &&
                            info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXW))) {
        M().lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    if (winsim::Fails("GetVersionExW")) return FALSE;
    info->dwMajorVersion = M().osMajor;
    info->dwMinorVersion = M().osMinor;
    info->dwBuildNumber = M().osBuild;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->szCSDVersion[0] = 0;
    if (info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXW)) {
        auto* ex = reinterpret_cast<LPOSVERSIONINFOEXW>(info);
        ex->wServicePackMajor = 0;
        ex->wServicePackMinor = 0;
        ex->wSuiteMask = 0;
        ex->wProductType = M().productType;
        ex->wReserved = 0;
    }
    return TRUE;
}

// ---- memory ----
namespace
{
struct LocalBlock {
    std::size_t size;
};
}  // namespace

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes)
{
    if (winsim::Fails("LocalAlloc")) return nullptr;
    auto* block = static_cast<LocalBlock*>(std::malloc(sizeof(LocalBlock) + bytes + 1));
    if (block == nullptr) {
        M().lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    block->size = bytes;
    if (flags & LMEM_ZEROINIT) std::memset(block + 1, 0, bytes);
    return block + 1;
}

HLOCAL LocalReAlloc(HLOCAL mem, SIZE_T bytes, UINT flags)
{
    if (winsim::Fails("LocalReAlloc")) return nullptr;
    if (mem == nullptr) return LocalAlloc(flags, bytes);
    auto* old = static_cast<LocalBlock*>(mem) - 1;
    std::size_t oldSize = old->size;
    auto* block = static_cast<LocalBlock*>(std::realloc(old, sizeof(LocalBlock) + bytes + 1));
    if (block == nullptr) {
        M().lastError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    block->size = bytes;
    if ((flags & LMEM_ZEROINIT) && bytes > oldSize)
        std::memset(reinterpret_cast<char*>(block + 1) + oldSize, 0, bytes - oldSize);
    return block + 1;
}

HLOCAL LocalFree(HLOCAL mem)
{
    if (mem != nullptr) std::free(static_cast<LocalBlock*>(mem) - 1);
    return nullptr;
}

// ---- processors, process list ----
BOOL GetLogicalProcessorInformation(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION buffer, PDWORD returnedLength)
{
    if (winsim::Fails("GetLogicalProcessorInformation")) return FALSE;
    DWORD need = static_cast<DWORD>(M().processors.size() * sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION)) +
                 M().processorLengthExtra;
    if (buffer == nullptr || *returnedLength < need) {
        *returnedLength = need;
        M().lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    for (std::size_t i = 0; i < M().processors.size(); ++i) {
        SYSTEM_LOGICAL_PROCESSOR_INFORMATION rec{};
        rec.ProcessorMask = M().processors[i].mask;
        rec.Relationship = M().processors[i].relationship;
        std::memcpy(&buffer[i], &rec, sizeof rec);
    }
    *returnedLength = need;
    return TRUE;
}

NTSTATUS NtQuerySystemInformation(SYSTEM_INFORMATION_CLASS infoClass, PVOID info, ULONG length, PULONG returnLength)
{
    if (winsim::Fails("NtQuerySystemInformation")) return static_cast<NTSTATUS>(M().lastError);
    if (infoClass != SystemProcessInformation) return static_cast<NTSTATUS>(0xC0000003);  // invalid info class
    // Records, each followed by its name (with a terminator), aligned to 8 bytes.
    std::vector<std::size_t> offsets;
    std::size_t total = 0;
    for (auto& name : M().runningProcesses) {
        offsets.push_back(total);
        std::size_t sz = sizeof(SYSTEM_PROCESS_INFORMATION) + (name.size() + 1) * sizeof(wchar_t);
        total += (sz + 7) & ~static_cast<std::size_t>(7);
    }
    if (returnLength) *returnLength = static_cast<ULONG>(total);
    if (info == nullptr || length < total) return STATUS_INFO_LENGTH_MISMATCH;
    auto* base = static_cast<BYTE*>(info);
    std::memset(base, 0, total);
    for (std::size_t i = 0; i < M().runningProcesses.size(); ++i) {
        auto& name = M().runningProcesses[i];
        auto* rec = reinterpret_cast<SYSTEM_PROCESS_INFORMATION*>(base + offsets[i]);
        rec->NextEntryOffset = i + 1 < offsets.size() ? static_cast<ULONG>(offsets[i + 1] - offsets[i]) : 0;
        auto* text = reinterpret_cast<wchar_t*>(rec + 1);
        std::wmemcpy(text, name.c_str(), name.size() + 1);
        // Windows counts two bytes per code unit whatever the width of wchar_t here.
        rec->ImageName.Length = static_cast<USHORT>(name.size() * 2);
        rec->ImageName.MaximumLength = static_cast<USHORT>((name.size() + 1) * 2);
        rec->ImageName.Buffer = name.empty() ? nullptr : text;
        rec->UniqueProcessId = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(4 * i));
    }
    return STATUS_SUCCESS;
}

// ---- named objects and security ----
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR name)
{
    if (winsim::Fails("CreateMutexW")) return nullptr;
    auto& objects = M().namedObjects;
    if (name != nullptr) {
        auto it = objects.find(name);
        if (it != objects.end()) {
            if (it->second.denied) {
                M().lastError = ERROR_ACCESS_DENIED;
                return nullptr;
            }
            auto obj = std::make_shared<MutexObject>();
            obj->name = name;
            obj->objects = &objects;
            ++it->second.handles;
            HANDLE h = winsim::NewHandle(obj);
            M().lastError = ERROR_ALREADY_EXISTS;
            return h;
        }
        winsim::NamedObject created;
        created.createdHere = true;
        created.handles = 1;
        objects[name] = created;
    }
    auto obj = std::make_shared<MutexObject>();
    obj->name = name ? name : L"";
    if (name != nullptr) obj->objects = &objects;
    HANDLE h = winsim::NewHandle(obj);
    M().lastError = ERROR_SUCCESS;
    return h;
}

BOOL OpenProcessToken(HANDLE, DWORD, PHANDLE tokenHandle)
{
    if (winsim::Fails("OpenProcessToken")) return FALSE;
    *tokenHandle = winsim::NewHandle(std::make_shared<TokenObject>());
    return TRUE;
}

// Privileges by name and their LUIDs as Windows numbers them.
const std::pair<const wchar_t*, DWORD> kPrivileges[] = {
    {L"SeCreateTokenPrivilege", 2},   {L"SeAssignPrimaryTokenPrivilege", 3},
    {L"SeLockMemoryPrivilege", 4},    {L"SeIncreaseQuotaPrivilege", 5},
    {L"SeTcbPrivilege", 7},           {L"SeSecurityPrivilege", 8},
    {L"SeTakeOwnershipPrivilege", 9}, {L"SeLoadDriverPrivilege", 10},
    {L"SeSystemtimePrivilege", 12},   {L"SeBackupPrivilege", 17},
    {L"SeRestorePrivilege", 18},      {L"SeShutdownPrivilege", 19},
    {L"SeDebugPrivilege", 20},        {L"SeChangeNotifyPrivilege", 23},
    {L"SeImpersonatePrivilege", 29},  {L"SeCreateGlobalPrivilege", 30}};
const std::pair<const wchar_t*, DWORD> kShutdown{L"SeShutdownPrivilege", 19};

const wchar_t* PrivilegeName(const LUID& luid)
{
    for (const auto& p : kPrivileges) {
        if (luid.HighPart == 0 && luid.LowPart == p.second) return p.first;
    }
    return nullptr;
}

BOOL LookupPrivilegeValueW(LPCWSTR, LPCWSTR name, PLUID luid)
{
    if (winsim::Fails("LookupPrivilegeValueW")) return FALSE;
    for (const auto& p : kPrivileges) {
        if (name != nullptr && winsim::EqualNoCase(name, p.first)) {
            luid->LowPart = p.second;
            luid->HighPart = 0;
            return TRUE;
        }
    }
    M().lastError = ERROR_NO_SUCH_PRIVILEGE;
    return FALSE;
}

// Enabling a privilege the token lacks is not an error of the call: it succeeds and
// reports ERROR_NOT_ALL_ASSIGNED (1300), having enabled only what the token holds.
BOOL AdjustTokenPrivileges(HANDLE token, BOOL, PTOKEN_PRIVILEGES newState, DWORD, PTOKEN_PRIVILEGES, PDWORD)
{
    if (winsim::Fails("AdjustTokenPrivileges")) return FALSE;
    if (!winsim::GetObject(token)) {
        M().lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (newState == nullptr) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    bool allAssigned = true;
    for (DWORD i = 0; i < newState->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& p = (&newState->Privileges[0])[i];
        const wchar_t* name = PrivilegeName(p.Luid);
        const bool shutdown = name != nullptr && std::wstring(name) == kShutdown.first;
        const bool held =
            name != nullptr && (shutdown ? M().shutdownPrivilegeHeld : M().privilegesHeld.count(name) > 0);
        if (!held) {
            allAssigned = false;
            continue;
        }
        const bool enable = (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        if (shutdown) M().shutdownPrivilegeEnabled = enable;
        if (enable)
            M().privilegesEnabled.insert(name);
        else
            M().privilegesEnabled.erase(name);
    }
    M().lastError = allAssigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED;
    return TRUE;
}

namespace
{
struct SimSid {
    BYTE authority[6];
    DWORD sub[8];
    BYTE count;
};
}  // namespace

BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD s0, DWORD s1, DWORD s2, DWORD s3,
                              DWORD s4, DWORD s5, DWORD s6, DWORD s7, PSID* sid)
{
    if (M().sidAllocationFails || winsim::Fails("AllocateAndInitializeSid")) {
        if (M().sidAllocationFails) M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    auto* s = new SimSid{};
    std::memcpy(s->authority, authority->Value, 6);
    DWORD subs[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
    std::memcpy(s->sub, subs, sizeof subs);
    s->count = count;
    *sid = s;
    return TRUE;
}

BOOL CheckTokenMembership(HANDLE, PSID sid, PBOOL isMember)
{
    if (M().membershipQueryFails || winsim::Fails("CheckTokenMembership")) {
        if (M().membershipQueryFails) M().lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    auto* s = static_cast<SimSid*>(sid);
    bool admins = s->authority[5] == 5 && s->count == 2 && s->sub[0] == SECURITY_BUILTIN_DOMAIN_RID &&
                  s->sub[1] == DOMAIN_ALIAS_RID_ADMINS;
    *isMember = admins && M().isAdmin ? TRUE : FALSE;
    return TRUE;
}

PVOID FreeSid(PSID sid)
{
    delete static_cast<SimSid*>(sid);
    return nullptr;
}

// ---- shutdown ----
BOOL ExitWindowsEx(UINT flags, DWORD reason)
{
    if (M().exitWindowsFails || winsim::Fails("ExitWindowsEx")) {
        if (M().exitWindowsFails) M().lastError = ERROR_PRIVILEGE_NOT_HELD;
        return FALSE;
    }
    if (!M().shutdownPrivilegeEnabled) {
        M().lastError = ERROR_PRIVILEGE_NOT_HELD;
        return FALSE;
    }
    M().exitWindowsRequests.emplace_back(flags, reason);
    return TRUE;
}

namespace
{
template <class F>
FARPROC ToProc(F* f)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(f));
}

// The functions that GetProcAddress finds.
struct ProcTable {
    ProcTable()
    {
        winsim::RegisterProc("kernel32", "IsWow64Process", ToProc(&IsWow64Process));
        winsim::RegisterProc("kernel32", "Wow64DisableWow64FsRedirection", ToProc(&Wow64DisableWow64FsRedirection));
        winsim::RegisterProc("kernel32", "Wow64RevertWow64FsRedirection", ToProc(&Wow64RevertWow64FsRedirection));
        winsim::RegisterProc("kernel32", "GetLogicalProcessorInformation", ToProc(&GetLogicalProcessorInformation));
        winsim::RegisterProc("kernel32", "SetDefaultDllDirectories", ToProc(&SetDefaultDllDirectories));
        winsim::RegisterProc("ntdll", "NtQuerySystemInformation", ToProc(&NtQuerySystemInformation));
    }
};

void EnsureBuiltInProcs()
{
    static ProcTable table;
}
}  // namespace
