// Runs the real entry point over a simulated machine, from the command line to the
// exit code, with the media at C:\Media and the program at C:\Media\Setup\Setup.exe.
#pragma once

#include "bootstrap_helper/RedistrFolderSeam.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <optional>
#include <string>
#include <vector>

namespace scenario
{
inline const wchar_t kProgram[] = L"C:\\Media\\Setup\\Setup.exe";
inline const wchar_t kWizard[] = L"C:\\Media\\Setup\\SetupWizard.dat";
inline const wchar_t kLog[] = L"C:\\ProgramData\\Orvale\\Setup\\Temp\\StowenBootstrap.log";
inline const wchar_t kDotNetInstaller[] = L"C:\\Media\\Redistr\\dotNetFx40_Full_x86_x64.exe";
inline const wchar_t kWicInstaller[] = L"C:\\Media\\Redistr\\x64\\wic_x64_enu.exe";
// The setup names wusa.exe in the system folder; as a 32-bit process it gets SysWOW64's.
inline const wchar_t kWusa[] = L"C:\\Windows\\SysWOW64\\wusa.exe";
inline const wchar_t kDotNetKey[] = L"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full";
inline const wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

class Scenario : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
    std::vector<std::wstring> wizardCommandLines;

    void SetUp() override { SetWizard(0); }

    static winsim::Machine& M() { return winsim::M(); }

    void SetWizard(DWORD exitCode)
    {
        M().programs[kWizard] = winsim::ProgramModel{
            exitCode, [this](winsim::Machine&, const std::wstring& cmd) { wizardCommandLines.push_back(cmd); }};
    }

    // Runs Setup.exe with these arguments; a process end inside the run gives its code.
    int RunSetup(const std::wstring& arguments)
    {
        M().modulePath = kProgram;
        M().commandLine = std::wstring(kProgram) + (arguments.empty() ? L"" : L" " + arguments);
        return RunEntryPoint(arguments);
    }

    // Runs the entry point with the machine's module path as it is.
    int RunEntryPoint(const std::wstring& arguments)
    {
        OvBootstrapHelper::RecomputeRedistrFolder();
        std::wstring buffer = arguments;
        try {
            return wWinMain(GetModuleHandleW(nullptr), nullptr, buffer.data(), 1);
        } catch (const winsim::ProcessExit& exit) {
            return exit.code;
        }
    }

    void Answer(int result, std::optional<std::wstring> text = std::nullopt)
    {
        winsim::UiAnswer a;
        a.result = result;
        a.expectText = std::move(text);
        M().answers.push_back(a);
    }

    // The log file's text (UTF-16LE after its byte order mark), or nothing when absent.
    std::optional<std::wstring> LogText() { return Utf16Text(kLog); }

    // A UTF-16LE file's text after its byte order mark, or nothing when absent: the logs.
    static std::optional<std::wstring> Utf16Text(const wchar_t* path)
    {
        auto bytes = winsim::M().ReadFile(path);
        if (!bytes) return std::nullopt;
        std::wstring text;
        std::size_t start = bytes->size() >= 2 && (*bytes)[0] == '\xFF' && (*bytes)[1] == '\xFE' ? 2 : 0;
        for (std::size_t i = start; i + 1 < bytes->size(); i += 2)
            text += static_cast<wchar_t>(static_cast<unsigned char>((*bytes)[i]) |
                                         (static_cast<unsigned char>((*bytes)[i + 1]) << 8));
        return text;
    }

    // .NET absent; its installer exits with this code and, when it works, installs it.
    void DotNetMissing(DWORD exitCode, bool installs)
    {
        M().registry.erase(winsim::Machine::RegistryPath(HKEY_LOCAL_MACHINE, kDotNetKey, true));
        M().programs[kDotNetInstaller] =
            winsim::ProgramModel{exitCode, [installs](winsim::Machine& m, const std::wstring&) {
                                     if (installs)
                                         m.Key(HKEY_LOCAL_MACHINE, kDotNetKey, true).values[L"Install"] =
                                             winsim::RegistryValue{REG_DWORD, {1, 0, 0, 0}};
                                 }};
    }

    void WicMissing(DWORD exitCode, bool installs)
    {
        M().fileVersions[L"windowscodecs.dll"] = winsim::FileVersion{6, 0, 5840, 16387, true};
        M().programs[kWicInstaller] = winsim::ProgramModel{
            exitCode, [installs](winsim::Machine& m, const std::wstring&) {
                if (installs) m.fileVersions[L"windowscodecs.dll"] = winsim::FileVersion{6, 0, 6001, 17000, true};
            }};
    }

    std::vector<std::wstring> StartedCommandLines() const
    {
        std::vector<std::wstring> r;
        for (auto& s : winsim::M().started)
            r.push_back(s.commandLine);
        return r;
    }
};
}  // namespace scenario
