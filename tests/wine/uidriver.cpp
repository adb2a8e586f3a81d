// Reads and answers the windows of another program inside the same Wine prefix, and
// does the few other in-prefix jobs that the end-to-end driver cannot do from Linux
// (exact command lines, full 32-bit exit codes, raw registry values, system texts).
// Every mode prints one JSON object per line on standard output.
#include <windows.h>
#include <msi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace
{

void WriteOut(const std::string& text)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    std::string line = text + "\n";
    DWORD written = 0;
    WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty()) return std::string();
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}

// A JSON string literal; control characters are escaped so a line feed in a box text
// stays inside the one output line.
std::string Json(const std::wstring& text)
{
    std::string utf8 = Utf8(text);
    std::string result = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            result += '\\';
            result += static_cast<char>(c);
        } else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            result += buffer;
        } else {
            result += static_cast<char>(c);
        }
    }
    return result + "\"";
}

std::string Num(long long value)
{
    return std::to_string(value);
}

std::wstring WindowText(HWND window)
{
    // WM_GETTEXT through a timeout so a hung target cannot hang the driver.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return std::wstring();
    std::vector<wchar_t> buffer(length + 2, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied))
        return std::wstring();
    if (copied > length) copied = length;
    return std::wstring(buffer.data(), copied);
}

std::wstring ClassName(HWND window)
{
    wchar_t buffer[256] = {};
    int length = GetClassNameW(window, buffer, 255);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string RectJson(const RECT& r)
{
    return "[" + Num(r.left) + "," + Num(r.top) + "," + Num(r.right) + "," + Num(r.bottom) + "]";
}

// A control id as the program wrote it: templates store -1 for "no id", which reads
// back as 0xFFFF from a message box and as -1 from a dialog template.
long long ControlId(HWND child)
{
    return static_cast<long long>(static_cast<int>(GetWindowLongPtrW(child, GWLP_ID)));
}

bool IsUnnamedStatic(long long id)
{
    return id == -1 || id == 0xFFFF;
}

struct Options {
    DWORD pid = 0;               // only windows of this process; stop when it ends
    std::vector<HWND> excluded;  // windows to pass over (a box already answered)
    DWORD timeoutMs = 10000;
    HWND target = nullptr;
};

struct Finder {
    const Options* options;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param)
{
    Finder* finder = reinterpret_cast<Finder*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == GetCurrentProcessId()) return TRUE;
    if (finder->options->pid != 0 && owner != finder->options->pid) return TRUE;
    if (!IsWindowVisible(window)) return TRUE;
    if (ClassName(window) != L"#32770") return TRUE;
    for (HWND skip : finder->options->excluded)
        if (skip == window) return TRUE;
    finder->found = window;
    return FALSE;
}

bool ProcessEnded(DWORD pid)
{
    if (pid == 0) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return true;
    bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// Waits for the next box or dialog; null on timeout or when the watched process ended.
HWND WaitForBox(const Options& options, bool* processEnded)
{
    *processEnded = false;
    DWORD start = GetTickCount();
    for (;;) {
        Finder finder{&options, nullptr};
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&finder));
        if (finder.found) {
            // A dialog is made visible before its controls finish painting; a short
            // pause lets the texts settle before they are read.
            Sleep(150);
            return finder.found;
        }
        if (ProcessEnded(options.pid)) {
            *processEnded = true;
            return nullptr;
        }
        if (GetTickCount() - start >= options.timeoutMs) return nullptr;
        Sleep(100);
    }
}

struct ChildList {
    std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param)
{
    reinterpret_cast<ChildList*>(param)->children.push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND window)
{
    ChildList list;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&list));
    return list.children;
}

std::string ControlJson(HWND child)
{
    RECT r = {};
    GetWindowRect(child, &r);
    return "{\"class\":" + Json(ClassName(child)) + ",\"id\":" + Num(ControlId(child)) +
           ",\"text\":" + Json(WindowText(child)) +
           ",\"style\":" + Num(static_cast<unsigned long>(GetWindowLongPtrW(child, GWL_STYLE))) +
           ",\"visible\":" + (IsWindowVisible(child) ? "true" : "false") + ",\"rect\":" + RectJson(r) + "}";
}

std::string ScreenJson()
{
    return "[" + Num(GetSystemMetrics(SM_CXSCREEN)) + "," + Num(GetSystemMetrics(SM_CYSCREEN)) + "]";
}

std::string BoxJson(HWND box)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(box, &owner);
    RECT r = {};
    GetWindowRect(box, &r);
    LONG_PTR exStyle = GetWindowLongPtrW(box, GWL_EXSTYLE);
    std::wstring text;
    std::string buttons;
    std::string controls;
    for (HWND child : Children(box)) {
        if (GetParent(child) != box) continue;
        long long id = ControlId(child);
        std::wstring cls = ClassName(child);
        if (!controls.empty()) controls += ",";
        controls += ControlJson(child);
        if (IsUnnamedStatic(id) && cls == L"Static") {
            if (!text.empty()) text += L"\n";
            text += WindowText(child);
        }
        LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        LONG_PTR kind = style & 0x0F;
        if (cls == L"Button" && (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) && IsWindowVisible(child)) {
            if (!buttons.empty()) buttons += ",";
            buttons += "{\"id\":" + Num(id) + ",\"text\":" + Json(WindowText(child)) + "}";
        }
    }
    return "{\"hwnd\":" + Num(static_cast<long long>(reinterpret_cast<INT_PTR>(box))) + ",\"pid\":" + Num(owner) +
           ",\"class\":" + Json(ClassName(box)) + ",\"caption\":" + Json(WindowText(box)) + ",\"text\":" + Json(text) +
           ",\"buttons\":[" + buttons +
           "],\"style\":" + Num(static_cast<unsigned long>(GetWindowLongPtrW(box, GWL_STYLE))) +
           ",\"exstyle\":" + Num(static_cast<unsigned long>(exStyle)) +
           ",\"topmost\":" + ((exStyle & WS_EX_TOPMOST) ? "true" : "false") + ",\"rect\":" + RectJson(r) +
           ",\"screen\":" + ScreenJson() + ",\"controls\":[" + controls + "]}";
}

struct TopList {
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTop(HWND window, LPARAM param)
{
    reinterpret_cast<TopList*>(param)->windows.push_back(window);
    return TRUE;
}

int ListWindows(const Options& options)
{
    TopList list;
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&list));
    std::string all;
    for (HWND window : list.windows) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == GetCurrentProcessId()) continue;
        if (options.pid != 0 && owner != options.pid) continue;
        RECT r = {};
        GetWindowRect(window, &r);
        std::string children;
        for (HWND child : Children(window)) {
            if (!children.empty()) children += ",";
            children += ControlJson(child);
        }
        if (!all.empty()) all += ",";
        all += "{\"hwnd\":" + Num(static_cast<long long>(reinterpret_cast<INT_PTR>(window))) +
               ",\"pid\":" + Num(owner) + ",\"class\":" + Json(ClassName(window)) +
               ",\"caption\":" + Json(WindowText(window)) +
               ",\"visible\":" + (IsWindowVisible(window) ? "true" : "false") +
               ",\"exstyle\":" + Num(static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_EXSTYLE))) +
               ",\"rect\":" + RectJson(r) + ",\"children\":[" + children + "]}";
    }
    WriteOut("{\"screen\":" + ScreenJson() + ",\"windows\":[" + all + "]}");
    return 0;
}

HWND FindTarget(const Options& options)
{
    if (options.target) return IsWindow(options.target) ? options.target : nullptr;
    bool ended = false;
    return WaitForBox(options, &ended);
}

int Press(const Options& options, long long id)
{
    HWND box = FindTarget(options);
    if (!box) {
        WriteOut("{\"error\":\"no window\"}");
        return 1;
    }
    for (HWND child : Children(box)) {
        if (GetParent(child) != box || ControlId(child) != id) continue;
        if (!IsWindowEnabled(child) || !IsWindowVisible(child)) {
            WriteOut("{\"error\":\"button not usable\",\"id\":" + Num(id) + "}");
            return 2;
        }
        // Posted, as a click's notification would arrive: the box ends its modal loop
        // without this process waiting inside the target's handler.
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(child));
        WriteOut("{\"pressed\":" + Num(id) +
                 ",\"hwnd\":" + Num(static_cast<long long>(reinterpret_cast<INT_PTR>(box))) + "}");
        return 0;
    }
    WriteOut("{\"error\":\"no such button\",\"id\":" + Num(id) + "}");
    return 2;
}

int Escape(const Options& options)
{
    HWND box = FindTarget(options);
    if (!box) {
        WriteOut("{\"error\":\"no window\"}");
        return 1;
    }
    // What the dialog manager sends for the Escape key.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    WriteOut("{\"escaped\":true,\"hwnd\":" + Num(static_cast<long long>(reinterpret_cast<INT_PTR>(box))) + "}");
    return 0;
}

int WaitGone(const Options& options)
{
    DWORD start = GetTickCount();
    while (options.target && IsWindow(options.target) && IsWindowVisible(options.target)) {
        if (GetTickCount() - start >= options.timeoutMs) {
            WriteOut("{\"gone\":false}");
            return 1;
        }
        Sleep(50);
    }
    WriteOut("{\"gone\":true}");
    return 0;
}

struct OwnedWindows {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectOwned(HWND window, LPARAM param)
{
    OwnedWindows* owned = reinterpret_cast<OwnedWindows*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == owned->pid) owned->windows.push_back(window);
    return TRUE;
}

// One line for a top-level window of the watched process: when it is first seen, and
// again ("shown") when a later poll first finds it visible.
std::string SeenWindowJson(HWND window, const char* what)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return "{\"" + std::string(what) +
           "\":{\"hwnd\":" + Num(static_cast<long long>(reinterpret_cast<INT_PTR>(window))) +
           ",\"class\":" + Json(ClassName(window)) + ",\"caption\":" + Json(WindowText(window)) +
           ",\"visible\":" + (IsWindowVisible(window) ? "true" : "false") +
           ",\"style\":" + Num(static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_STYLE))) +
           ",\"rect\":" + RectJson(r) + "}}";
}

// A token like this one with the Administrators group for deny only: a user who is not an
// administrator, or one whose elevation was not given.
HANDLE TokenWithoutAdministrators()
{
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own)) return nullptr;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    HANDLE restricted = nullptr;
    if (AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                 0, &administrators)) {
        SID_AND_ATTRIBUTES disabled = {administrators, 0};
        if (!CreateRestrictedToken(own, 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted)) restricted = nullptr;
        FreeSid(administrators);
    }
    CloseHandle(own);
    return restricted;
}

// Starts a command line exactly as given (no quoting added), prints the new process id
// at once and its full 32-bit exit code when it ends. With watch, the process is made
// suspended and every top-level window it owns, visible or not, is listed the first time
// a poll of the window list (every 10 ms, from before its first instruction to its end)
// sees it; the last line gives the count of polls, so a watch that never ran shows. With
// restricted, the process gets a token without the Administrators group.
int Launch(const std::wstring& commandLine, bool watch, bool restricted)
{
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    HANDLE token = restricted ? TokenWithoutAdministrators() : nullptr;
    if (restricted && !token) {
        WriteOut("{\"error\":\"CreateRestrictedToken\",\"code\":" + Num(GetLastError()) + "}");
        return 1;
    }
    const DWORD flags = watch ? CREATE_SUSPENDED : 0;
    const BOOL created = token ? CreateProcessAsUserW(token, nullptr, buffer.data(), nullptr, nullptr, FALSE, flags,
                                                      nullptr, L"C:\\", &startup, &info)
                               : CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, nullptr,
                                                L"C:\\", &startup, &info);
    if (token) CloseHandle(token);
    if (!created) {
        WriteOut("{\"error\":\"CreateProcessW\",\"code\":" + Num(GetLastError()) + "}");
        return 1;
    }
    WriteOut("{\"pid\":" + Num(info.dwProcessId) + "}");
    long long polls = 0;
    std::vector<HWND> seen;
    std::vector<HWND> shown;
    if (watch) {
        bool resumed = false;
        for (;;) {
            OwnedWindows owned{info.dwProcessId, {}};
            EnumWindows(CollectOwned, reinterpret_cast<LPARAM>(&owned));
            ++polls;
            for (HWND window : owned.windows) {
                bool known = false, wasShown = false;
                for (HWND earlier : seen)
                    known = known || earlier == window;
                for (HWND earlier : shown)
                    wasShown = wasShown || earlier == window;
                if (!known) {
                    seen.push_back(window);
                    WriteOut(SeenWindowJson(window, "window"));
                }
                if (!wasShown && IsWindowVisible(window)) {
                    shown.push_back(window);
                    WriteOut(SeenWindowJson(window, "shown"));
                }
            }
            if (!resumed) {
                ResumeThread(info.hThread);
                resumed = true;
            }
            if (WaitForSingleObject(info.hProcess, 10) != WAIT_TIMEOUT) break;
        }
    } else {
        WaitForSingleObject(info.hProcess, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    WriteOut("{\"exit\":" + Num(code) +
             (watch ? ",\"polls\":" + Num(polls) + ",\"windows_seen\":" + Num(static_cast<long long>(seen.size()))
                    : std::string()) +
             "}");
    return 0;
}

HKEY RootByName(const std::wstring& name)
{
    if (name == L"HKCU") return HKEY_CURRENT_USER;
    if (name == L"HKLM") return HKEY_LOCAL_MACHINE;
    return nullptr;
}

// Prints a value's type, byte size and text, and whether its data ends in a null
// character, from the 64-bit view unless the 32-bit one is asked for.
int RegValue(const std::wstring& root, const std::wstring& path, const std::wstring& name, REGSAM view)
{
    HKEY base = RootByName(root);
    HKEY key = nullptr;
    LONG status = base ? RegOpenKeyExW(base, path.c_str(), 0, KEY_READ | view, &key) : ERROR_INVALID_PARAMETER;
    if (status != ERROR_SUCCESS) {
        WriteOut("{\"found\":false,\"status\":" + Num(status) + "}");
        return 0;
    }
    DWORD type = 0;
    DWORD size = 0;
    status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) {
        RegCloseKey(key);
        WriteOut("{\"found\":false,\"status\":" + Num(status) + "}");
        return 0;
    }
    std::vector<BYTE> data(size + sizeof(wchar_t), 0);
    DWORD read = size;
    status = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &read);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        WriteOut("{\"found\":false,\"status\":" + Num(status) + "}");
        return 0;
    }
    std::string fields = "{\"found\":true,\"type\":" + Num(type) + ",\"size\":" + Num(read);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        size_t units = read / sizeof(wchar_t);
        const wchar_t* text = reinterpret_cast<const wchar_t*>(data.data());
        bool terminated = units > 0 && text[units - 1] == L'\0';
        std::wstring value(text, terminated ? units - 1 : units);
        fields += ",\"text\":" + Json(value) + ",\"terminated\":" + (terminated ? "true" : "false");
    } else if (type == REG_DWORD && read == sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, data.data(), sizeof value);
        fields += ",\"dword\":" + Num(value);
    }
    WriteOut(fields + "}");
    return 0;
}

int FormatText(DWORD code)
{
    wchar_t* text = nullptr;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring value = length && text ? std::wstring(text, length) : std::wstring();
    if (text) LocalFree(text);
    WriteOut("{\"code\":" + Num(code) + ",\"text\":" + Json(value) + "}");
    return 0;
}

// Lists the installed products related to an upgrade code with their versions, as the
// program under test will see them.
int MsiRelated(const std::wstring& upgradeCode)
{
    std::string products;
    for (DWORD index = 0;; ++index) {
        wchar_t productCode[39] = {};
        UINT status = MsiEnumRelatedProductsW(upgradeCode.c_str(), 0, index, productCode);
        if (status != ERROR_SUCCESS) break;
        wchar_t version[64] = {};
        DWORD length = 63;
        UINT infoStatus = MsiGetProductInfoW(productCode, L"VersionString", version, &length);
        if (!products.empty()) products += ",";
        products += "{\"product\":" + Json(productCode) +
                    ",\"version\":" + Json(infoStatus == ERROR_SUCCESS ? std::wstring(version) : std::wstring()) + "}";
    }
    WriteOut("{\"products\":[" + products + "]}");
    return 0;
}

// What this process is: its pointer size, whether it runs under WOW64, and the system
// folders it is given.
int ProcessInfo()
{
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    wchar_t system[MAX_PATH + 1] = {};
    UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
    wchar_t wow64Folder[MAX_PATH + 1] = {};
    UINT wow64Length = GetSystemWow64DirectoryW(wow64Folder, MAX_PATH);
    WriteOut("{\"pointer\":" + Num(sizeof(void*)) + ",\"wow64\":" + (wow64 ? "true" : "false") +
             ",\"system\":" + Json(std::wstring(system, systemLength < MAX_PATH ? systemLength : 0)) +
             ",\"syswow64\":" + Json(std::wstring(wow64Folder, wow64Length < MAX_PATH ? wow64Length : 0)) + "}");
    return 0;
}

// The fixed file version that GetFileVersionInfoW reads from a file, as the product reads
// it; with redirection off (in a 32-bit process under WOW64) as the product does.
int FileVersion(const std::wstring& file, bool redirectionOff)
{
    PVOID old = nullptr;
    bool disabled = redirectionOff && Wow64DisableWow64FsRedirection(&old);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    DWORD code = size ? 0 : GetLastError();
    std::vector<BYTE> data(size ? size : 1);
    if (size && !GetFileVersionInfoW(file.c_str(), 0, size, data.data())) code = GetLastError();
    if (disabled) Wow64RevertWow64FsRedirection(old);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (code || !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info) {
        WriteOut("{\"file\":" + Json(file) + ",\"redirection_off\":" + (disabled ? "true" : "false") +
                 ",\"error\":" + Num(code) + "}");
        return 0;
    }
    WriteOut("{\"file\":" + Json(file) + ",\"redirection_off\":" + (disabled ? "true" : "false") + ",\"version\":\"" +
             Num(HIWORD(info->dwFileVersionMS)) + "." + Num(LOWORD(info->dwFileVersionMS)) + "." +
             Num(HIWORD(info->dwFileVersionLS)) + "." + Num(LOWORD(info->dwFileVersionLS)) + "\"}");
    return 0;
}

// A service's current state; with start, the service is started first and its state is
// polled until it is no longer pending (for the time-out).
int Service(const std::wstring& name, bool start, DWORD timeoutMs)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        WriteOut("{\"error\":\"OpenSCManagerW\",\"code\":" + Num(GetLastError()) + "}");
        return 1;
    }
    SC_HANDLE service = OpenServiceW(manager, name.c_str(), SERVICE_QUERY_STATUS | SERVICE_START);
    if (!service) {
        DWORD code = GetLastError();
        CloseServiceHandle(manager);
        WriteOut("{\"error\":\"OpenServiceW\",\"code\":" + Num(code) + "}");
        return 1;
    }
    DWORD startError = 0;
    if (start && !StartServiceW(service, 0, nullptr)) startError = GetLastError();
    SERVICE_STATUS status = {};
    DWORD begin = GetTickCount();
    bool queried = false;
    for (;;) {
        queried = QueryServiceStatus(service, &status) != 0;
        if (!queried || !start) break;
        DWORD state = status.dwCurrentState;
        if (state != SERVICE_START_PENDING && state != SERVICE_STOP_PENDING && state != SERVICE_CONTINUE_PENDING &&
            state != SERVICE_PAUSE_PENDING)
            break;
        if (GetTickCount() - begin >= timeoutMs) break;
        Sleep(50);
    }
    DWORD queryError = queried ? 0 : GetLastError();
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    if (!queried) {
        WriteOut("{\"error\":\"QueryServiceStatus\",\"code\":" + Num(queryError) + "}");
        return 1;
    }
    WriteOut("{\"service\":" + Json(name) + ",\"state\":" + Num(status.dwCurrentState) +
             ",\"start_error\":" + Num(startError) + "}");
    return 0;
}

// How many processes run with this image name (compared ignoring case).
int CountProcesses(const std::wstring& image)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (lstrcmpiW(entry.szExeFile, image.c_str()) == 0) ++count;
    CloseHandle(snapshot);
    return count;
}

// Waits until a process of this image name runs (or, with gone, until none does).
int WaitProcess(const std::wstring& image, bool gone, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    int count = CountProcesses(image);
    while (count >= 0 && (gone ? count > 0 : count == 0) && GetTickCount() - start < timeoutMs) {
        Sleep(50);
        count = CountProcesses(image);
    }
    WriteOut("{\"image\":" + Json(image) + ",\"running\":" + Num(count) + "}");
    return count >= 0 && (gone ? count == 0 : count > 0) ? 0 : 1;
}

int Usage()
{
    WriteOut(
        "{\"error\":\"usage: uidriver [--pid P] [--not HWND]... [--hwnd HWND] [--timeout MS] "
        "(--wait | --list | --press ID | --escape | --wait-gone | --launch CMDLINE [--watch-windows] [--restricted] | "
        "--reg-value ROOT PATH NAME [--view 32] | --format-message CODE | --msi-related UPGRADECODE | "
        "--process-info | --file-version PATH [--redirection-off] | --service-state NAME | "
        "--service-start NAME | --wait-process IMAGE | --wait-process-gone IMAGE)\"}");
    return 64;
}

bool ParseNumber(const wchar_t* text, long long* value)
{
    if (!text || !*text) return false;
    wchar_t* end = nullptr;
    long long parsed = std::wcstoll(text, &end, 0);
    if (!end || *end != L'\0') return false;
    *value = parsed;
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    std::wstring mode;
    std::vector<std::wstring> modeArgs;
    REGSAM view = KEY_WOW64_64KEY;
    bool redirectionOff = false;
    bool watchWindows = false;
    bool restricted = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        long long number = 0;
        bool hasNext = i + 1 < argc;
        if ((arg == L"--pid" || arg == L"--not" || arg == L"--hwnd" || arg == L"--timeout") && hasNext) {
            if (!ParseNumber(argv[i + 1], &number) || number < 0) return Usage();
            ++i;
            if (arg == L"--pid") options.pid = static_cast<DWORD>(number);
            if (arg == L"--not") options.excluded.push_back(reinterpret_cast<HWND>(static_cast<INT_PTR>(number)));
            if (arg == L"--hwnd") options.target = reinterpret_cast<HWND>(static_cast<INT_PTR>(number));
            if (arg == L"--timeout") options.timeoutMs = static_cast<DWORD>(number);
        } else if (arg == L"--wait" || arg == L"--list" || arg == L"--escape" || arg == L"--wait-gone" ||
                   arg == L"--process-info") {
            mode = arg;
        } else if (arg == L"--view" && hasNext) {
            std::wstring bits = argv[++i];
            if (bits != L"32" && bits != L"64") return Usage();
            view = bits == L"32" ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
        } else if (arg == L"--redirection-off") {
            redirectionOff = true;
        } else if (arg == L"--watch-windows") {
            watchWindows = true;
        } else if (arg == L"--restricted") {
            restricted = true;
        } else if ((arg == L"--press" || arg == L"--launch" || arg == L"--format-message" || arg == L"--msi-related" ||
                    arg == L"--file-version" || arg == L"--service-state" || arg == L"--service-start" ||
                    arg == L"--wait-process" || arg == L"--wait-process-gone") &&
                   hasNext) {
            mode = arg;
            modeArgs.push_back(argv[++i]);
        } else if (arg == L"--reg-value" && i + 3 < argc) {
            mode = arg;
            modeArgs.assign(argv + i + 1, argv + i + 4);
            i += 3;
        } else {
            return Usage();
        }
    }
    if (mode == L"--wait") {
        bool ended = false;
        HWND box = WaitForBox(options, &ended);
        if (!box) {
            WriteOut(ended ? "{\"timeout\":false,\"ended\":true}" : "{\"timeout\":true}");
            return 1;
        }
        WriteOut(BoxJson(box));
        return 0;
    }
    if (mode == L"--list") return ListWindows(options);
    if (mode == L"--escape") return Escape(options);
    if (mode == L"--wait-gone") return WaitGone(options);
    if (mode == L"--launch") return Launch(modeArgs[0], watchWindows, restricted);
    if (mode == L"--msi-related") return MsiRelated(modeArgs[0]);
    if (mode == L"--reg-value") return RegValue(modeArgs[0], modeArgs[1], modeArgs[2], view);
    if (mode == L"--process-info") return ProcessInfo();
    if (mode == L"--file-version") return FileVersion(modeArgs[0], redirectionOff);
    if (mode == L"--service-state") return Service(modeArgs[0], false, 0);
    if (mode == L"--service-start") return Service(modeArgs[0], true, options.timeoutMs);
    if (mode == L"--wait-process") return WaitProcess(modeArgs[0], false, options.timeoutMs);
    if (mode == L"--wait-process-gone") return WaitProcess(modeArgs[0], true, options.timeoutMs);
    long long number = 0;
    if (mode == L"--press") return ParseNumber(modeArgs[0].c_str(), &number) ? Press(options, number) : Usage();
    if (mode == L"--format-message")
        return ParseNumber(modeArgs[0].c_str(), &number) && number >= 0 ? FormatText(static_cast<DWORD>(number))
                                                                        : Usage();
    return Usage();
}
