// The simulated machine that winsim's Win32 functions run over. One per test:
// a test configures it, runs product code, and inspects what happened.
#pragma once

#include <winsim/winsim.h>

#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace winsim
{
// Case-insensitive ordering of Windows names (ASCII letters fold, as the file system,
// registry and service manager treat names).
struct NoCaseLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};
std::wstring Upper(const std::wstring& s);
bool EqualNoCase(const std::wstring& a, const std::wstring& b);
// UTF-16 code units held in wchar_t <-> UTF-8 for the host's file system and libmsi.
std::string Narrow(const std::wstring& s);
std::wstring Widen(const std::string& s);

// Thrown by OvExitProcess: the program asked the runtime to end the process.
struct ProcessExit {
    int code;
};

// The structured exception that a delay-load stub raises when the first call into a
// DLL cannot load it. Nothing in the program handles it: the process ends.
struct DelayLoadFailure {
    std::wstring dll;
    DWORD error;
};

// Thrown by a wait that could never end: an infinite wait for an object that nothing will
// signal (a program that runs until it is ended), or Sleep(INFINITE). On Windows the
// process would hang; here the test fails loudly.
struct Deadlock : std::logic_error {
    using std::logic_error::logic_error;
};

// A simulated call told to fail: it returns its failure value with this error.
struct Fault {
    DWORD code = 0;
    int remaining = -1;  // calls that still fail; -1 is always
    int skip = 0;        // successful calls before the first failure
};

// A program that runs until something ends it (TerminateProcess, or the test's EndProcess).
constexpr DWORD kRunsUntilEnded = 0xFFFFFFFF;

// What a started program does: its exit code and its effects on the machine, and how long
// it runs. While it runs its process is not signalled and its exit code reads STILL_ACTIVE;
// the effect happens when it ends by itself (inside CreateProcessW for one that runs 0 ms).
struct Machine;
struct ProgramModel {
    DWORD exitCode = 0;
    std::function<void(Machine&, const std::wstring& commandLine)> effect;
    DWORD runsFor = 0;  // simulated milliseconds from its start, or kRunsUntilEnded
};
struct StartedProcess {
    std::wstring application;  // the application name as passed (may be empty)
    std::wstring commandLine;
    std::wstring image;  // the program file that was started
    DWORD processId = 0;
};

// A message box as the program showed it.
struct MessageBoxRecord {
    HWND owner = nullptr;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
    int result = 0;
};

// A control of a dialog created from a template.
struct ControlRecord {
    int id = 0;
    std::wstring className;
    std::wstring text;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::vector<std::pair<UINT, std::pair<WPARAM, LPARAM>>> messages;  // sent to the control
};

// A dialog as the program created it (modal or modeless).
struct DialogRecord {
    WORD templateId = 0;
    bool modal = false;
    HWND owner = nullptr;
    HWND window = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::wstring caption;
    RECT rect{};  // current window rectangle in screen pixels
    bool shown = false;
    bool destroyed = false;
    INT_PTR endResult = 0;
    bool ended = false;
    std::vector<ControlRecord> controls;
    std::vector<std::pair<UINT, LRESULT>> answers;  // messages delivered to the procedure and its answers
    int messagesDispatchedWhileOpen = 0;
};

// A scripted answer for the next message box or modal dialog.
struct UiAnswer {
    int result = 0;                          // button id for a box; for a dialog the command id sent
    std::optional<std::wstring> expectText;  // when set, the box's text must equal it
    // Escape pressed: a dialog gets WM_COMMAND IDCANCEL; a box gives IDCANCEL where it has
    // Cancel, IDOK when OK is its only button, and otherwise stays open for the next answer.
    bool escape = false;
    std::function<void(Machine&)> effect;  // what happens on the machine while the box is open
};

// What the program shows, as handed to an interactive answerer.
struct UiPrompt {
    bool dialog = false;  // a modal dialog rather than a message box
    WORD templateId = 0;
    std::wstring caption;
    std::wstring text;
    UINT style = 0;
    std::vector<std::pair<int, std::wstring>> buttons;  // id and text
};

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};
struct RegistryKey {
    std::map<std::wstring, RegistryValue, NoCaseLess> values;
    DWORD openError = 0;  // when nonzero, opening this key fails with it
};

struct ServiceModel {
    DWORD state = SERVICE_STOPPED;
    // States that successive status queries report before `state` holds (pending phases).
    std::deque<DWORD> pending;
    // Status queries that see SERVICE_START_PENDING after a start, and SERVICE_STOP_PENDING
    // after a stop is accepted, before the new state holds (a real service takes time to
    // settle). While a phase lasts, a stop is refused with ERROR_SERVICE_CANNOT_ACCEPT_CTRL.
    int startPendingQueries = 0;
    int stopPendingQueries = 0;
    DWORD stopError = 0;   // ControlService(STOP) fails with this when nonzero
    DWORD startError = 0;  // StartServiceW fails with this when nonzero
    DWORD openError = 0;
    int queries = 0;
    std::vector<DWORD> controls;  // control codes received
    int starts = 0;
};

struct NamedObject {
    bool denied = false;  // exists but may not be opened
    int handles = 0;      // handles this process holds; a name it created goes with its last handle
    bool createdHere = false;
};

struct InstalledProduct {
    std::wstring productCode;
    std::wstring version;    // VersionString
    DWORD versionError = 0;  // MsiGetProductInfoW fails with this when nonzero
};

struct FileVersion {
    WORD major = 0, minor = 0, build = 0, revision = 0;
    bool hasResource = true;  // false: a file without version data
    // Without version data: false for a file with no resource section (1812), true for one
    // whose resources hold no version resource (1813).
    bool otherResources = false;
};

struct ProcessorRecord {
    ULONG_PTR mask = 0;
    LOGICAL_PROCESSOR_RELATIONSHIP relationship = RelationProcessorCore;
};

struct Machine {
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // ---- process and module ----
    std::wstring modulePath = L"C:\\Media\\Setup\\Setup.exe";
    std::wstring commandLine = L"C:\\Media\\Setup\\Setup.exe";  // GetCommandLineW
    std::wstring currentDirectory = L"C:\\Users\\Admin\\";
    std::wstring systemDirectory = L"C:\\Windows\\system32";
    std::wstring commonAppData = L"C:\\ProgramData";
    HRESULT commonAppDataResult = S_OK;  // what SHGetFolderPathW returns (with the path)
    std::map<std::wstring, std::wstring, NoCaseLess> environment;
    DWORD lastError = 0;
    std::map<std::string, Fault> faults;  // by function name, such as "CreateProcessW"
    bool recordCalls = false;             // when set, every call that may fail is listed in `calls`
    std::vector<std::string> calls;
    std::set<std::string> missingProcs;                 // "kernel32!IsWow64Process": GetProcAddress finds nothing
    std::set<std::wstring, NoCaseLess> missingModules;  // LoadLibraryW fails for these
    std::vector<std::wstring> loadedLibraries;          // names passed to LoadLibrary*
    // DLLs loaded in the process, by base name ("version"), with their reference counts.
    // The program's static imports are loaded when it starts; version and msi are
    // delay-loaded, by the first call into them.
    std::map<std::string, int> loadedModules{{"ntdll", 1},    {"kernel32", 1}, {"user32", 1},   {"gdi32", 1},
                                             {"advapi32", 1}, {"shell32", 1},  {"comctl32", 1}, {"msvcrt", 1}};
    std::set<std::string> delayBound;  // delay-loaded DLLs whose first call has bound them
    DWORD dllDirectoryFlags = 0;       // SetDefaultDllDirectories
    bool dllDirectoryCleared = false;  // SetDllDirectoryW(L"")

    // ---- files: Windows paths are mapped onto this host folder (made per machine) ----
    std::string hostRoot;
    // Extra mappings: a Windows folder prefix (ending in a backslash) onto a host folder.
    std::vector<std::pair<std::wstring, std::string>> mounts;
    // Files that another program holds open (an editor, a copy in progress), by Windows path:
    // the access it opened them with and the sharing it allows. CreateFileW refuses an open
    // that either side's sharing does not allow (ERROR_SHARING_VIOLATION), as Windows does.
    struct OpenElsewhere {
        DWORD access = GENERIC_READ;
        DWORD share = FILE_SHARE_READ;
    };
    std::map<std::wstring, OpenElsewhere, NoCaseLess> openElsewhere;

    // ---- programs ----
    std::map<std::wstring, ProgramModel, NoCaseLess> programs;  // by full Windows path of the image
    std::vector<StartedProcess> started;

    // ---- system ----
    DWORD osMajor = 6, osMinor = 1, osBuild = 7601;
    BYTE productType = VER_NT_SERVER;
    bool wow64 = true;
    bool isAdmin = true;
    bool sidAllocationFails = false;
    bool membershipQueryFails = false;
    std::map<std::wstring, NamedObject> namedObjects;  // names exactly as given
    std::vector<ProcessorRecord> processors{{0x3, RelationProcessorCore}, {0x3, RelationCache}};
    DWORD processorLengthExtra = 0;  // bytes the record query reports beyond its whole records
    std::vector<std::wstring> runningProcesses{L"", L"System", L"smss.exe", L"explorer.exe"};
    // By full path, or by bare name for a system library: a bare name stands for the copies
    // in both System32 and SysWOW64, unless a full path names one of them.
    std::map<std::wstring, FileVersion, NoCaseLess> fileVersions;
    // File-system redirection of the process's one thread: while it is on, a 32-bit process
    // on 64-bit Windows reaching <SystemRoot>\System32 gets SysWOW64.
    bool redirectionDisabled = false;
    int redirectionDisableCalls = 0;

    // ---- Windows Installer ----
    std::map<std::wstring, std::vector<InstalledProduct>, NoCaseLess> installed;  // by upgrade code
    DWORD enumError = 0;  // MsiEnumRelatedProductsW fails with this when nonzero

    // ---- registry: (root, 64-bit view, path) -> key; HKCU is shared by both views ----
    std::map<std::wstring, RegistryKey, NoCaseLess> registry;
    static std::wstring RegistryPath(HKEY root, const std::wstring& path, bool view64);
    RegistryKey& Key(HKEY root, const std::wstring& path, bool view64 = true);
    RegistryValue* Value(HKEY root, const std::wstring& path, const std::wstring& name, bool view64 = true);

    // ---- services ----
    std::map<std::wstring, ServiceModel, NoCaseLess> services;

    // ---- time: simulated milliseconds since the machine started. Sleep moves it on, and so
    // does a wait, by its timeout or to the moment its object is signalled ----
    ULONGLONG clock = 0;
    int sleeps = 0;
    DWORD sleptMilliseconds = 0;
    // What happens on the machine while the program sleeps (another program ends, ...).
    std::function<void(Machine&)> onSleep;

    // ---- privileges and shutdown ----
    bool shutdownPrivilegeEnabled = false;
    // False for a token without SeShutdownPrivilege (a policy took "Shut down the system"
    // away): enabling it succeeds with ERROR_NOT_ALL_ASSIGNED and enables nothing.
    bool shutdownPrivilegeHeld = true;
    // The other privileges of the token, by name: an elevated administrator's. Enabling one
    // that is not listed succeeds with ERROR_NOT_ALL_ASSIGNED and enables nothing.
    std::set<std::wstring, NoCaseLess> privilegesHeld{
        L"SeBackupPrivilege",        L"SeChangeNotifyPrivilege",  L"SeDebugPrivilege",
        L"SeImpersonatePrivilege",   L"SeRestorePrivilege",       L"SeSecurityPrivilege",
        L"SeTakeOwnershipPrivilege", L"SeIncreaseQuotaPrivilege", L"SeLoadDriverPrivilege",
        L"SeSystemtimePrivilege",    L"SeCreateGlobalPrivilege",  L"SeCreateSymbolicLinkPrivilege"};
    std::set<std::wstring, NoCaseLess> privilegesEnabled;
    std::vector<std::pair<UINT, DWORD>> exitWindowsRequests;
    bool exitWindowsFails = false;

    // ---- user interface ----
    RECT desktop{0, 0, 1024, 768};
    std::deque<UiAnswer> answers;  // consumed by boxes and modal dialogs in order
    std::vector<MessageBoxRecord> messageBoxes;
    std::vector<DialogRecord> dialogs;
    // Answers a box or modal dialog when no scripted answer is left (interactive runs).
    std::function<int(const UiPrompt&)> ask;
    // Called for each window message dispatched while a modeless dialog is open.
    std::function<void(const DialogRecord&)> onPump;
    int pendingInput = 0;  // window messages that arrive while a program runs
    // Messages that a started program sends to this thread's windows and waits on before it
    // ends; a wait whose wake mask lacks QS_SENDMESSAGE never sees them (the two block).
    int sentByProgram = 0;
    int sentAnswered = 0;
    int dispatched = 0;
    int brushesCreated = 0;
    int brushesDeleted = 0;

    // ---- security: descriptors given to new folders and set through handles ----
    struct SecurityRecord {
        std::string function;  // "CreateDirectoryW" or "SetSecurityInfo"
        std::string hostPath;  // compare with HostPath(windows path)
        std::wstring owner;    // "BA"; empty when not given
        std::wstring dacl;     // the DACL in its text form, "P(A;...)..."; empty when not given
    };
    std::vector<SecurityRecord> securityRecords;
    // Owners of files and folders by host path, as SDDL text ("BA", "SY" or a SID string);
    // absent: Administrators, who own what an elevated process or an installer made.
    // SetSecurityInfo with an owner changes it.
    std::map<std::string, std::wstring> owners;

    // ---- internal state of the implementation ----
    struct Internals;
    std::unique_ptr<Internals> internals;

    // Write a file of the simulated machine (creating its folders).
    void WriteFile(const std::wstring& windowsPath, const std::string& bytes);
    std::optional<std::string> ReadFile(const std::wstring& windowsPath) const;
    bool Exists(const std::wstring& windowsPath) const;
    std::string HostPath(const std::wstring& windowsPath) const;

    int OpenHandles() const;  // kernel handles still open
};

// The machine of the running test.
Machine& M();
// Replace the machine with a fresh one (tests call it in SetUp).
void Reset();

// Called at the start of a simulated function: true when a fault is set for it
// (the last error is then set to the fault's code).
bool Fails(const char* function);

// The path that a file call of the program reaches, after WOW64 file-system redirection.
std::wstring ProgramPath(const std::wstring& windowsPath);
// True for a file directly in System32 or SysWOW64.
bool InSystemFolders(const std::wstring& windowsPath);

// The program's own module handle, and the base name ("kernel32") of a module handle.
HMODULE ProgramModule();
std::string ModuleNameOf(HMODULE module);
// Called at the start of each function of a delay-loaded DLL: the first call loads the
// DLL as the delay-load helper does (by its bare name) and throws DelayLoadFailure when
// that load fails.
void EnterDelayLoaded(const char* dll);

// Register a function that GetProcAddress finds in a module ("kernel32", "ntdll").
void RegisterProc(const char* module, const char* name, FARPROC address);

// Kernel objects behind HANDLE values.
constexpr ULONGLONG kNever = std::numeric_limits<ULONGLONG>::max();
struct Object {
    virtual ~Object() = default;
    // The simulated time at which the object is (or will be) signalled; kNever when
    // nothing that the machine models will signal it.
    virtual ULONGLONG SignaledAt() const { return 0; }
    bool Signaled() const;
};
HANDLE NewHandle(std::shared_ptr<Object> object);
std::shared_ptr<Object> GetObject(HANDLE handle);

// Moves simulated time on: programs whose time comes end by themselves, in order.
void AdvanceClock(ULONGLONG milliseconds);
// Ends a running program from outside (another program, the user): its process is
// signalled with this exit code, its model's effect does not happen. False when no
// running process has this id.
bool EndProcess(DWORD processId, DWORD exitCode);
// Waits for any of the objects as WaitForMultipleObjects does over simulated time:
// WAIT_OBJECT_0 + index, WAIT_TIMEOUT, or WAIT_FAILED (ERROR_INVALID_HANDLE). An infinite
// wait that nothing ends throws Deadlock, naming `function`.
DWORD WaitForObjects(DWORD count, const HANDLE* handles, DWORD milliseconds, const char* function);

// Test fixture helper: a fresh machine per test.
struct MachineScope {
    MachineScope() { Reset(); }
    ~MachineScope() { Reset(); }
};
}  // namespace winsim
