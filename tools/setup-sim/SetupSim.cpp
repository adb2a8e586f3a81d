// setup-sim: the real entry point over the simulated Windows, on a machine described
// by a file and a real media folder on disk. Boxes and dialogs are drawn in the
// terminal and answered with a key (or from --answers); a requested reboot is
// followed by the resumed run that the RunOnce value starts.
#include "MachineFile.h"
#include "WizardBootstrap/OvBootstrapOptions.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

namespace
{
using winsim::M;
using winsim::Narrow;

struct Options {
    std::string machineFile;
    std::string media;
    bool scripted = false;
    std::vector<std::string> answers;
    std::vector<std::string> tokens;
    bool quick = false;  // no animation delay
};

int Usage(const char* message)
{
    std::fprintf(stderr,
                 "setup-sim: %s\n"
                 "usage: setup-sim --machine FILE --media DIR [--answers ok,yes,retry,reboot,...] [--quick] "
                 "[--] [setup arguments...]\n",
                 message);
    return 2;
}

std::vector<std::string> SplitList(const std::string& s)
{
    std::vector<std::string> r;
    std::stringstream ss(s);
    std::string item;
    while (std::getline(ss, item, ',')) {
        if (!item.empty()) r.push_back(item);
    }
    return r;
}

std::vector<std::pair<int, std::string>> Buttons(const winsim::UiPrompt& p)
{
    std::vector<std::pair<int, std::string>> b;
    if (p.dialog) {
        for (auto& [id, text] : p.buttons)
            b.emplace_back(id, Narrow(text));
        return b;
    }
    switch (p.style & 0xF) {
        case 1:
            return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
        case 4:
            return {{IDYES, "Yes"}, {IDNO, "No"}};
        case 5:
            return {{IDRETRY, "Retry"}, {IDCANCEL, "Cancel"}};
        default:
            return {{IDOK, "OK"}};
    }
}

void Draw(const winsim::UiPrompt& p, const std::vector<std::pair<int, std::string>>& buttons)
{
    const char* icon = "";
    switch (p.style & 0xF0) {
        case 0x10:
            icon = "(x) ";
            break;
        case 0x20:
            icon = "(?) ";
            break;
        case 0x30:
            icon = "(!) ";
            break;
    }
    std::string caption = Narrow(p.caption);
    std::printf("\n+-- %s%s --\n", p.dialog ? "dialog: " : "", caption.c_str());
    std::string text = Narrow(p.text);
    std::stringstream lines(text);
    std::string line;
    bool first = true;
    while (std::getline(lines, line)) {
        std::printf("| %s%s\n", first ? icon : "    ", line.c_str());
        first = false;
    }
    std::printf("| ");
    for (auto& [id, label] : buttons)
        std::printf(" [%c]%s", label[0], label.c_str() + 1);
    std::printf("\n+--\n");
}

int AnswerFor(const std::string& word, const std::vector<std::pair<int, std::string>>& buttons)
{
    std::string w;
    for (char c : word)
        w += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (w == "escape" || w == "esc") return IDCANCEL;
    for (auto& [id, label] : buttons) {
        std::string l;
        for (char c : label)
            l += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (l == w || (w.size() == 1 && l[0] == w[0])) return id;
    }
    return -1;
}

struct Ui {
    Options& options;
    std::size_t next = 0;

    int Ask(const winsim::UiPrompt& p)
    {
        auto buttons = Buttons(p);
        Draw(p, buttons);
        if (options.scripted) {
            if (next >= options.answers.size()) {
                std::printf("setup-sim: no answer left in --answers for this window; answering Cancel\n");
                return IDCANCEL;
            }
            const std::string& word = options.answers[next++];
            int id = AnswerFor(word, buttons);
            if (id < 0) {
                std::printf("setup-sim: answer '%s' names no button here; answering Cancel\n", word.c_str());
                return IDCANCEL;
            }
            std::printf("> %s\n", word.c_str());
            return id;
        }
        while (true) {
            std::printf("> ");
            std::fflush(stdout);
            std::string line;
            if (!std::getline(std::cin, line)) {
                std::printf("(end of input: Cancel)\n");
                return IDCANCEL;
            }
            int id = AnswerFor(line, buttons);
            if (id >= 0) return id;
            std::printf("press one of the letters in brackets\n");
        }
    }
};

void Progress(const winsim::DialogRecord& dialog, bool quick, bool scripted, int& frame)
{
    std::wstring text;
    for (auto& c : dialog.controls) {
        if (c.className == L"Static" || c.className == L"STATIC") text = c.text;
    }
    std::string t = Narrow(text);
    for (auto& ch : t)
        if (ch == '\n') ch = ' ';
    static const char spin[] = "|/-\\";
    if (scripted) {
        // A transcript shows each progress window once.
        if (frame++ % 12 == 0) std::printf("  [progress window %u] %s\n", dialog.templateId, t.c_str());
        return;
    }
    int current = frame++;
    std::printf("\r  [%c] %s%s", spin[current % 4], t.c_str(), frame % 12 == 0 ? "\n" : "");
    std::fflush(stdout);
    if (!quick) std::this_thread::sleep_for(std::chrono::milliseconds(120));
}

std::wstring RunOnceCommandLine()
{
    auto* v = M().Value(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", L"OrvaleSetup");
    if (v == nullptr) return L"";
    std::wstring s;
    for (std::size_t i = 0; i + 1 < v->data.size(); i += 2) {
        wchar_t c = static_cast<wchar_t>(v->data[i] | (v->data[i + 1] << 8));
        if (c == 0) break;
        s += c;
    }
    return s;
}

// A UTF-16LE file with its byte-order mark, as the logs are written.
std::wstring Utf16File(const std::string& bytes)
{
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

// The decision log and the readiness report that the run's own options asked for.
void ReportRequestedFiles(const std::wstring& arguments)
{
    const OvWizardBootstrap::OvCommandLine parsed = OvWizardBootstrap::ReadCommandLine(arguments.c_str());
    if (!parsed.options.logPath.empty()) {
        auto log = M().ReadFile(parsed.options.logPath);
        if (log)
            std::printf("== decision log %s:\n%s", Narrow(parsed.options.logPath).c_str(),
                        Narrow(Utf16File(*log)).c_str());
    }
    if (!parsed.options.reportPath.empty()) {
        auto report = M().ReadFile(parsed.options.reportPath);
        if (report)
            std::printf("== readiness report %s:\n%s", Narrow(parsed.options.reportPath).c_str(), report->c_str());
    }
}

void Report(int code, const std::wstring& arguments)
{
    std::printf("\n== exit code: %d\n", code);
    for (auto& s : M().started)
        std::printf("== started: %s\n", Narrow(s.commandLine).c_str());
    std::wstring runOnce = RunOnceCommandLine();
    if (!runOnce.empty()) std::printf("== RunOnce \"OrvaleSetup\": %s\n", Narrow(runOnce).c_str());
    for (auto& r : M().exitWindowsRequests)
        std::printf("== reboot requested (flags %u, reason 0x%08X)\n", r.first, r.second);
    auto log = M().ReadFile(L"C:\\ProgramData\\Orvale\\Setup\\Temp\\StowenBootstrap.log");
    if (log) std::printf("== log StowenBootstrap.log:\n%s", Narrow(Utf16File(*log)).c_str());
    ReportRequestedFiles(arguments);
}

int RunOnce(const std::wstring& arguments)
{
    M().commandLine = L"C:\\Media\\Setup\\Setup.exe" + (arguments.empty() ? L"" : L" " + arguments);
    std::wstring buffer = arguments;
    std::printf("== run: %s\n", Narrow(M().commandLine).c_str());
    try {
        return wWinMain(GetModuleHandleW(nullptr), nullptr, buffer.data(), 1);
    } catch (const winsim::ProcessExit& exit) {
        return exit.code;
    }
}
}  // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--machine" && i + 1 < argc) {
            options.machineFile = argv[++i];
        } else if (a == "--media" && i + 1 < argc) {
            options.media = argv[++i];
        } else if (a == "--answers" && i + 1 < argc) {
            options.scripted = true;
            options.answers = SplitList(argv[++i]);
        } else if (a == "--quick") {
            options.quick = true;
        } else if (a == "--") {
            for (++i; i < argc; ++i)
                options.tokens.push_back(argv[i]);
        } else if (a.rfind("--", 0) == 0) {
            return Usage(("unknown option " + a).c_str());
        } else {
            options.tokens.push_back(a);
        }
    }
    if (options.machineFile.empty() || options.media.empty()) return Usage("--machine and --media are required");
    std::ifstream in(options.machineFile, std::ios::binary);
    if (!in) return Usage(("cannot read " + options.machineFile).c_str());
    std::stringstream text;
    text << in.rdbuf();
    if (!std::filesystem::is_directory(options.media)) return Usage(("no media folder " + options.media).c_str());

    winsim::Reset();
    try {
        setupsim::MountMedia(M(), options.media);
        setupsim::ApplyMachineDescription(M(), text.str(), options.media);
    } catch (const setupsim::MachineFileError& e) {
        std::fprintf(stderr, "setup-sim: %s\n", e.what());
        return 2;
    }
    // While a prerequisite installer runs, its progress window is pumped: a few window
    // messages arrive, and each draws a frame of the animated line.
    for (auto& [path, model] : M().programs) {
        if (winsim::EqualNoCase(path, L"C:\\Media\\Setup\\SetupWizard.dat")) continue;
        auto inner = model.effect;
        model.effect = [inner](winsim::Machine& m, const std::wstring& cmd) {
            if (inner) inner(m, cmd);
            m.pendingInput = 12;
        };
    }
    Ui ui{options};
    int frame = 0;
    M().ask = [&ui](const winsim::UiPrompt& p) { return ui.Ask(p); };
    M().onPump = [&](const winsim::DialogRecord& d) { Progress(d, options.quick, options.scripted, frame); };

    std::wstring arguments;
    for (auto& t : options.tokens)
        arguments += (arguments.empty() ? L"" : L" ") + winsim::Widen(t);
    int code = RunOnce(arguments);
    Report(code, arguments);
    for (int reboots = 0; reboots < 3 && !M().exitWindowsRequests.empty(); ++reboots) {
        std::wstring next = RunOnceCommandLine();
        if (next.empty()) break;
        std::printf("\n== the machine restarts; at the next logon Windows runs the RunOnce command line once\n");
        M().Key(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce")
            .values.erase(L"OrvaleSetup");
        M().exitWindowsRequests.clear();
        M().started.clear();
        M().shutdownPrivilegeEnabled = false;
        const std::wstring program = L"C:\\Media\\Setup\\Setup.exe";
        std::wstring args = next.compare(0, program.size(), program) == 0 ? next.substr(program.size()) : next;
        while (!args.empty() && args[0] == L' ')
            args.erase(0, 1);
        code = RunOnce(args);
        Report(code, args);
    }
    return code == -1 ? 1 : 0;
}
