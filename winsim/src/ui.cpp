// The window manager of the simulated machine: message boxes answered from the
// test's script, dialogs created from the templates of the program's resources with
// their procedures really called, a message queue fed by M().pendingInput, and the
// few graphics objects the dialogs use.
#include <winsim/Machine.h>
#include <winsim/Resources.h>
#include <winsim/Ui.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <stdexcept>

using winsim::M;

namespace
{
constexpr DWORD kInvalidWindowHandle = 1400;
constexpr std::uintptr_t kDesktop = 0x10010;
constexpr std::uintptr_t kDialogBase = 0x20000000;
constexpr std::uintptr_t kDialogStride = 0x1000;
constexpr std::uintptr_t kBrushBase = 0x30000000;
constexpr std::uintptr_t kStockBase = 0x40000000;
constexpr std::uintptr_t kPaintDc = 0x50000010;

// What the window manager keeps beyond the Machine's records; it belongs to one
// machine and starts afresh when the test's machine changes.
struct State {
    std::string owner;
    std::map<std::size_t, DLGPROC> procs;
    std::deque<MSG> queue;
    std::map<HBRUSH, COLORREF> brushes;  // kept after deletion, so a test can still ask
    std::map<HBRUSH, bool> deleted;
    std::map<HDC, int> modes;
    std::uintptr_t nextBrush = kBrushBase;
    DWORD icc = 0;
    int iccCalls = 0;
};

State& St()
{
    static State s;
    if (s.owner != M().hostRoot) {
        s = State{};
        s.owner = M().hostRoot;
    }
    return s;
}

HWND DialogWindow(std::size_t index)
{
    return reinterpret_cast<HWND>(kDialogBase + (index + 1) * kDialogStride);
}
HWND ControlWindow(std::size_t dialog, std::size_t control)
{
    return reinterpret_cast<HWND>(kDialogBase + (dialog + 1) * kDialogStride + 4 * (control + 1));
}

// Finds the dialog (and control, or -1 for the dialog itself) behind a window handle.
bool Locate(HWND window, std::size_t& dialog, long& control)
{
    auto v = reinterpret_cast<std::uintptr_t>(window);
    if (v < kDialogBase + kDialogStride) return false;
    std::size_t d = (v - kDialogBase) / kDialogStride - 1;
    std::uintptr_t rest = (v - kDialogBase) % kDialogStride;
    if (d >= M().dialogs.size() || rest % 4 != 0) return false;
    if (rest == 0) {
        control = -1;
    } else {
        std::size_t c = rest / 4 - 1;
        if (c >= M().dialogs[d].controls.size()) return false;
        control = static_cast<long>(c);
    }
    dialog = d;
    return true;
}

bool LiveDialog(HWND window, std::size_t& dialog)
{
    long control;
    return Locate(window, dialog, control) && control == -1 && !M().dialogs[dialog].destroyed;
}

INT_PTR Deliver(std::size_t dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    DLGPROC proc = St().procs[dialog];
    if (proc == nullptr) return 0;
    INT_PTR r = proc(DialogWindow(dialog), message, wParam, lParam);
    M().dialogs[dialog].answers.emplace_back(message, static_cast<LRESULT>(r));
    return r;
}

// Painting asks the procedure for the dialog's background and each static text's.
void Paint(std::size_t dialog)
{
    HDC dc = winsim::PaintDc();
    Deliver(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(DialogWindow(dialog)));
    for (std::size_t c = 0; c < M().dialogs[dialog].controls.size(); ++c) {
        if (M().dialogs[dialog].destroyed) return;
        if (!winsim::EqualNoCase(M().dialogs[dialog].controls[c].className, L"Static")) continue;
        Deliver(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                reinterpret_cast<LPARAM>(ControlWindow(dialog, c)));
    }
}

// Creates the window record of a dialog from its template and sends WM_INITDIALOG.
bool Create(LPCWSTR templateName, HWND parent, DLGPROC proc, LPARAM initParam, bool modal, std::size_t& index)
{
    const winsim::ResourceEntry* e = winsim::FindProgramResource(RT_DIALOG, templateName, 0);
    if (e == nullptr) {
        M().lastError = ERROR_RESOURCE_NAME_NOT_FOUND;
        return false;
    }
    auto t = winsim::ParseDialogTemplate(e->data, e->size);
    if (!t) {
        M().lastError = ERROR_INVALID_DATA;
        return false;
    }
    winsim::DialogRecord d;
    d.templateId = IS_INTRESOURCE(templateName) ? static_cast<WORD>(reinterpret_cast<ULONG_PTR>(templateName)) : 0;
    d.modal = modal;
    d.owner = parent;
    d.style = t->style;
    d.exStyle = t->exStyle;
    d.caption = t->caption;
    d.rect.left = winsim::DialogUnitsToPixelsX(t->x);
    d.rect.top = winsim::DialogUnitsToPixelsY(t->y);
    d.rect.right = d.rect.left + winsim::DialogUnitsToPixelsX(t->cx);
    d.rect.bottom = d.rect.top + winsim::DialogUnitsToPixelsY(t->cy);
    d.shown = (t->style & WS_VISIBLE) != 0;
    for (auto& item : t->items) {
        winsim::ControlRecord c;
        c.id = static_cast<int>(static_cast<std::int32_t>(item.id));
        if (item.id == 0xFFFF) c.id = -1;
        c.className = item.className;
        c.text = item.text;
        c.style = item.style;
        c.exStyle = item.exStyle;
        c.x = item.x;
        c.y = item.y;
        c.cx = item.cx;
        c.cy = item.cy;
        d.controls.push_back(c);
    }
    index = M().dialogs.size();
    d.window = DialogWindow(index);
    M().dialogs.push_back(d);
    St().procs[index] = proc;
    Deliver(index, WM_INITDIALOG, 0, initParam);
    return true;
}
}  // namespace

namespace winsim
{
namespace
{
struct Reader {
    const unsigned char* base;
    std::size_t size;
    std::size_t pos = 0;
    bool ok = true;

    bool Need(std::size_t n)
    {
        if (!ok || size - pos < n || pos > size) ok = false;
        return ok;
    }
    WORD Word()
    {
        if (!Need(2)) return 0;
        WORD v = static_cast<WORD>(base[pos] | (base[pos + 1] << 8));
        pos += 2;
        return v;
    }
    DWORD Dword()
    {
        DWORD lo = Word();
        DWORD hi = Word();
        return lo | (hi << 16);
    }
    BYTE Byte()
    {
        if (!Need(1)) return 0;
        return base[pos++];
    }
    std::wstring String()
    {
        std::wstring s;
        while (ok) {
            WORD c = Word();
            if (!ok || c == 0) break;
            s += static_cast<wchar_t>(c);
        }
        return s;
    }
    // A string, or an ordinal after 0xFFFF.
    std::wstring StringOrOrdinal(WORD& ordinal)
    {
        ordinal = 0;
        if (!Need(2)) return {};
        WORD first = static_cast<WORD>(base[pos] | (base[pos + 1] << 8));
        if (first == 0xFFFF) {
            pos += 2;
            ordinal = Word();
            return {};
        }
        return String();
    }
    void Align()
    {
        pos = (pos + 3) & ~static_cast<std::size_t>(3);
        if (pos > size) ok = false;
    }
};

std::wstring ClassName(WORD ordinal)
{
    switch (ordinal) {
        case 0x80:
            return L"Button";
        case 0x81:
            return L"Edit";
        case 0x82:
            return L"Static";
        case 0x83:
            return L"ListBox";
        case 0x84:
            return L"ScrollBar";
        case 0x85:
            return L"ComboBox";
        default:
            return L"#" + std::to_wstring(ordinal);
    }
}
}  // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const unsigned char* data, std::size_t size)
{
    if (data == nullptr) return std::nullopt;
    Reader r{data, size};
    DialogTemplate t;
    t.version = r.Word();
    t.signature = r.Word();
    if (!r.ok || t.version != 1 || t.signature != 0xFFFF) return std::nullopt;
    t.helpId = r.Dword();
    t.exStyle = r.Dword();
    t.style = r.Dword();
    WORD count = r.Word();
    t.x = static_cast<short>(r.Word());
    t.y = static_cast<short>(r.Word());
    t.cx = static_cast<short>(r.Word());
    t.cy = static_cast<short>(r.Word());
    WORD ord;
    t.menu = r.StringOrOrdinal(ord);
    if (ord) t.menu = L"#" + std::to_wstring(ord);
    t.windowClass = r.StringOrOrdinal(ord);
    if (ord) t.windowClass = L"#" + std::to_wstring(ord);
    t.caption = r.String();
    if (t.style & DS_SETFONT) {
        t.pointSize = r.Word();
        t.weight = r.Word();
        t.italic = r.Byte();
        t.charset = r.Byte();
        t.typeface = r.String();
    }
    for (WORD i = 0; i < count && r.ok; ++i) {
        r.Align();
        TemplateItem item;
        item.helpId = r.Dword();
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = static_cast<short>(r.Word());
        item.y = static_cast<short>(r.Word());
        item.cx = static_cast<short>(r.Word());
        item.cy = static_cast<short>(r.Word());
        item.id = r.Dword();
        item.className = r.StringOrOrdinal(ord);
        if (ord) item.className = ClassName(ord);
        item.text = r.StringOrOrdinal(item.textOrdinal);
        item.extraBytes = r.Word();
        if (r.Need(item.extraBytes)) r.pos += item.extraBytes;
        t.items.push_back(item);
    }
    if (!r.ok) return std::nullopt;
    return t;
}

int DialogUnitsToPixelsX(int units)
{
    return (units * 6 + (units >= 0 ? 2 : -2)) / 4;
}

int DialogUnitsToPixelsY(int units)
{
    return (units * 13 + (units >= 0 ? 4 : -4)) / 8;
}

COLORREF BrushColor(HBRUSH brush)
{
    auto& b = St().brushes;
    auto it = b.find(brush);
    return it == b.end() ? 0xFFFFFFFFu : it->second;
}

int BkMode(HDC dc)
{
    auto& m = St().modes;
    auto it = m.find(dc);
    return it == m.end() ? 0 : it->second;
}

HDC PaintDc()
{
    return reinterpret_cast<HDC>(kPaintDc);
}

DWORD CommonControlsInitialised()
{
    return St().icc;
}

int CommonControlsCalls()
{
    return St().iccCalls;
}
}  // namespace winsim

namespace
{
// The buttons of a message box's style (its low four bits), as the system lays them out.
std::vector<int> BoxButtons(UINT type)
{
    switch (type & 0xF) {
        case MB_OK:
            return {IDOK};
        case MB_OKCANCEL:
            return {IDOK, IDCANCEL};
        case 2:
            return {IDABORT, IDRETRY, IDIGNORE};  // MB_ABORTRETRYIGNORE
        case 3:
            return {IDYES, IDNO, IDCANCEL};  // MB_YESNOCANCEL
        case MB_YESNO:
            return {IDYES, IDNO};
        case MB_RETRYCANCEL:
            return {IDRETRY, IDCANCEL};
        case 6:
            return {IDCANCEL, 10, 11};  // MB_CANCELTRYCONTINUE: Cancel, Try Again, Continue
        default:
            return {};
    }
}

// What Escape gives: Cancel where the box has it, OK for a box with OK alone; otherwise
// the key does nothing and the box stays open (0).
int EscapeResult(const std::vector<int>& buttons)
{
    for (int b : buttons) {
        if (b == IDCANCEL) return IDCANCEL;
    }
    return buttons == std::vector<int>{IDOK} ? IDOK : 0;
}
}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    std::wstring t = text ? text : L"";
    const std::vector<int> buttons = BoxButtons(type);
    if (buttons.empty()) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    int result = 0;
    // The box stays until a button is pressed; an Escape that it ignores changes nothing.
    while (result == 0) {
        winsim::UiAnswer a;
        if (M().answers.empty()) {
            if (!M().ask) throw std::logic_error("message box without a scripted answer: " + winsim::Narrow(t));
            winsim::UiPrompt p;
            p.caption = caption ? caption : L"";
            p.text = t;
            p.style = type;
            a.result = M().ask(p);
        } else {
            a = M().answers.front();
            M().answers.pop_front();
        }
        if (a.effect) a.effect(M());
        if (a.expectText && *a.expectText != t)
            throw std::logic_error("message box text differs from the script: " + winsim::Narrow(t));
        if (a.escape) {
            result = EscapeResult(buttons);
            continue;
        }
        // A scripted 0 is a box that could not be shown: the call fails.
        if (a.result == 0) break;
        if (std::find(buttons.begin(), buttons.end(), a.result) == buttons.end())
            throw std::logic_error("message box answered with button " + std::to_string(a.result) +
                                   " that it does not have: " + winsim::Narrow(t));
        result = a.result;
    }
    winsim::MessageBoxRecord rec;
    rec.owner = owner;
    rec.text = t;
    rec.caption = caption ? caption : L"";
    rec.type = type;
    rec.result = result;
    M().messageBoxes.push_back(rec);
    return result;
}

INT_PTR DialogBoxParamW(HINSTANCE, LPCWSTR templateName, HWND parent, DLGPROC dialogProc, LPARAM initParam)
{
    if (winsim::Fails("DialogBoxParamW")) return -1;
    std::size_t i;
    if (!Create(templateName, parent, dialogProc, initParam, true, i)) return -1;
    M().dialogs[i].shown = true;
    // The modal loop: each scripted answer becomes the command a click or key sends.
    while (!M().dialogs[i].ended) {
        winsim::UiAnswer a;
        if (M().answers.empty()) {
            if (!M().ask) {
                M().dialogs[i].destroyed = true;
                throw std::logic_error("modal dialog " + std::to_string(M().dialogs[i].templateId) +
                                       " without a scripted answer");
            }
            winsim::UiPrompt p;
            p.dialog = true;
            p.templateId = M().dialogs[i].templateId;
            p.caption = M().dialogs[i].caption;
            for (auto& c : M().dialogs[i].controls) {
                if (winsim::EqualNoCase(c.className, L"Button"))
                    p.buttons.emplace_back(c.id, c.text);
                else if (winsim::EqualNoCase(c.className, L"Static"))
                    p.text = c.text;
            }
            a.result = M().ask(p);
        } else {
            a = M().answers.front();
            M().answers.pop_front();
        }
        if (a.effect) a.effect(M());
        int id = a.escape ? IDCANCEL : a.result;
        LPARAM from = 0;
        if (!a.escape) {
            auto& cs = M().dialogs[i].controls;
            for (std::size_t c = 0; c < cs.size(); ++c) {
                if (cs[c].id == id) from = reinterpret_cast<LPARAM>(ControlWindow(i, c));
            }
        }
        Deliver(i, WM_COMMAND, static_cast<WPARAM>(static_cast<WORD>(id)), from);
    }
    Deliver(i, WM_DESTROY, 0, 0);
    M().dialogs[i].destroyed = true;
    return M().dialogs[i].endResult;
}

HWND CreateDialogParamW(HINSTANCE, LPCWSTR templateName, HWND parent, DLGPROC dialogProc, LPARAM initParam)
{
    if (winsim::Fails("CreateDialogParamW")) return nullptr;
    std::size_t i;
    if (!Create(templateName, parent, dialogProc, initParam, false, i)) return nullptr;
    if (M().dialogs[i].shown) Paint(i);
    return DialogWindow(i);
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    std::size_t i;
    if (!LiveDialog(dialog, i)) {
        M().lastError = kInvalidWindowHandle;
        return FALSE;
    }
    M().dialogs[i].ended = true;
    M().dialogs[i].endResult = result;
    return TRUE;
}

BOOL DestroyWindow(HWND window)
{
    if (winsim::Fails("DestroyWindow")) return FALSE;
    std::size_t i;
    if (!LiveDialog(window, i)) {
        M().lastError = kInvalidWindowHandle;
        return FALSE;
    }
    Deliver(i, WM_DESTROY, 0, 0);
    M().dialogs[i].destroyed = true;
    M().dialogs[i].shown = false;
    return TRUE;
}

BOOL ShowWindow(HWND window, int command)
{
    std::size_t i;
    if (!LiveDialog(window, i)) return FALSE;
    BOOL was = M().dialogs[i].shown ? TRUE : FALSE;
    M().dialogs[i].shown = command != SW_HIDE;
    if (M().dialogs[i].shown && !was && !M().dialogs[i].modal) Paint(i);
    return was;
}

BOOL IsWindow(HWND window)
{
    if (reinterpret_cast<std::uintptr_t>(window) == kDesktop) return TRUE;
    std::size_t i;
    long c;
    return Locate(window, i, c) && !M().dialogs[i].destroyed ? TRUE : FALSE;
}

HWND GetDlgItem(HWND dialog, int id)
{
    std::size_t i;
    if (!LiveDialog(dialog, i)) {
        M().lastError = kInvalidWindowHandle;
        return nullptr;
    }
    auto& cs = M().dialogs[i].controls;
    for (std::size_t c = 0; c < cs.size(); ++c) {
        if (cs[c].id == id) return ControlWindow(i, c);
    }
    M().lastError = 1421;  // control id not found
    return nullptr;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::size_t i;
    long c;
    if (!Locate(window, i, c) || M().dialogs[i].destroyed) return 0;
    if (c < 0) return Deliver(i, message, wParam, lParam);
    winsim::ControlRecord& control = M().dialogs[i].controls[static_cast<std::size_t>(c)];
    control.messages.push_back({message, {wParam, lParam}});
    if (!winsim::EqualNoCase(control.className, ANIMATE_CLASSW)) return 0;
    if (message == ACM_OPENW) {
        // The clip is a resource of type "AVI" of the program's own module.
        bool own = wParam == 0 || reinterpret_cast<HINSTANCE>(wParam) == GetModuleHandleW(nullptr);
        LPCWSTR name = reinterpret_cast<LPCWSTR>(lParam);
        return own && IS_INTRESOURCE(name) && winsim::FindProgramResource(L"AVI", name, 0) != nullptr ? TRUE : FALSE;
    }
    if (message == ACM_PLAY || message == ACM_STOP) {
        for (auto& m : control.messages) {
            if (m.first == ACM_OPENW) return TRUE;
        }
        return FALSE;
    }
    return 0;
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags)
{
    std::size_t i;
    if (!LiveDialog(window, i)) {
        M().lastError = kInvalidWindowHandle;
        return FALSE;
    }
    RECT& r = M().dialogs[i].rect;
    LONG w = r.right - r.left, h = r.bottom - r.top;
    if (!(flags & SWP_NOSIZE)) {
        w = cx;
        h = cy;
    }
    if (!(flags & SWP_NOMOVE)) {
        r.left = x;
        r.top = y;
    }
    r.right = r.left + w;
    r.bottom = r.top + h;
    return TRUE;
}

BOOL GetWindowRect(HWND window, LPRECT rect)
{
    if (rect == nullptr) return FALSE;
    if (reinterpret_cast<std::uintptr_t>(window) == kDesktop) {
        *rect = M().desktop;
        return TRUE;
    }
    std::size_t i;
    if (!LiveDialog(window, i)) {
        M().lastError = kInvalidWindowHandle;
        return FALSE;
    }
    *rect = M().dialogs[i].rect;
    return TRUE;
}

HWND GetDesktopWindow()
{
    return reinterpret_cast<HWND>(kDesktop);
}

BOOL OffsetRect(LPRECT rect, int dx, int dy)
{
    if (rect == nullptr) return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL PeekMessageW(LPMSG msg, HWND, UINT, UINT, UINT removeMessage)
{
    // Sent messages are handled inside the call, before any posted one is returned.
    for (; M().sentByProgram > 0; --M().sentByProgram)
        ++M().sentAnswered;
    auto& q = St().queue;
    if (q.empty() || msg == nullptr) return FALSE;
    *msg = q.front();
    if (removeMessage & PM_REMOVE) q.pop_front();
    return TRUE;
}

BOOL TranslateMessage(const MSG*)
{
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg)
{
    if (msg == nullptr) return 0;
    ++M().dispatched;
    std::size_t i;
    if (!LiveDialog(msg->hwnd, i)) return 0;
    ++M().dialogs[i].messagesDispatchedWhileOpen;
    if (M().onPump) M().onPump(M().dialogs[i]);
    if (msg->message == WM_PAINT) {
        Paint(i);
        return 0;
    }
    return Deliver(i, msg->message, msg->wParam, msg->lParam);
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL, DWORD milliseconds, DWORD wakeMask)
{
    if (winsim::Fails("MsgWaitForMultipleObjects")) return WAIT_FAILED;
    // Window input arrives first, M().pendingInput times: a paint of the newest open
    // modeless dialog (a message for no window when there is none).
    if (M().pendingInput > 0) {
        --M().pendingInput;
        MSG m{};
        m.message = WM_PAINT;
        for (std::size_t i = M().dialogs.size(); i-- > 0;) {
            if (!M().dialogs[i].modal && !M().dialogs[i].destroyed) {
                m.hwnd = DialogWindow(i);
                break;
            }
        }
        if (m.hwnd == nullptr) m.message = WM_NULL;
        St().queue.push_back(m);
        return WAIT_OBJECT_0 + count;
    }
    // A message sent by the waited-on program wakes only a mask that asks for it; else the
    // program never ends (it waits for this thread): the wait times out, or never returns.
    if (M().sentByProgram > 0) {
        if (wakeMask & QS_SENDMESSAGE) return WAIT_OBJECT_0 + count;
        if (milliseconds == INFINITE)
            throw winsim::Deadlock("MsgWaitForMultipleObjects: the program waits on a message this wait cannot see");
        winsim::AdvanceClock(milliseconds);
        return WAIT_TIMEOUT;
    }
    return winsim::WaitForObjects(count, handles, milliseconds, "MsgWaitForMultipleObjects");
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    if (winsim::Fails("CreateSolidBrush")) return nullptr;
    State& s = St();
    s.nextBrush += 4;
    HBRUSH b = reinterpret_cast<HBRUSH>(s.nextBrush);
    s.brushes[b] = color;
    ++M().brushesCreated;
    return b;
}

HGDIOBJ GetStockObject(int object)
{
    return reinterpret_cast<HGDIOBJ>(kStockBase + static_cast<std::uintptr_t>(object));
}

BOOL DeleteObject(HGDIOBJ object)
{
    auto v = reinterpret_cast<std::uintptr_t>(object);
    if (v >= kStockBase && v < kStockBase + 0x100) return TRUE;  // stock objects are never deleted
    State& s = St();
    auto b = reinterpret_cast<HBRUSH>(object);
    if (s.brushes.count(b) == 0 || s.deleted[b]) return FALSE;
    s.deleted[b] = true;
    ++M().brushesDeleted;
    return TRUE;
}

int SetBkMode(HDC dc, int mode)
{
    auto& m = St().modes;
    int previous = m.count(dc) ? m[dc] : OPAQUE;
    m[dc] = mode;
    return previous;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init)
{
    if (init == nullptr || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    State& s = St();
    s.icc |= init->dwICC;
    ++s.iccCalls;
    return TRUE;
}
