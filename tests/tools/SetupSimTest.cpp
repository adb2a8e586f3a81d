#include "MachineFile.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace
{
using winsim::M;

struct BadFile {
    const char* name;
    const char* json;
    const char* message;  // the error text must hold this (the key and what is wrong)
};

void PrintTo(const BadFile& c, std::ostream* os)
{
    *os << c.name;
}

class MachineFileErrorTest : public ::testing::TestWithParam<BadFile>
{
protected:
    winsim::MachineScope machine_;
};

INSTANTIATE_TEST_SUITE_P(
    Errors, MachineFileErrorTest,
    ::testing::Values(
        BadFile{"InvalidJson", R"({"administrator": true,)", "machine file: not valid JSON"},
        BadFile{"TopLevelNotObject", R"([1, 2])", "'(top level)': expected an object"},
        BadFile{"UnknownTopKey", R"({"administrator": true, "colour": "red"})", "'colour': unknown key"},
        BadFile{"UnknownNestedKey", R"({"windows": {"major": 6, "flavour": 1}})", "'windows.flavour': unknown key"},
        BadFile{"UnknownKeyInProcessor", R"({"processors": [{"mask": "0x1", "speed": 3}]})",
                "'processors[0].speed': unknown key"},
        BadFile{
            "UnknownKeyDeepInProgramEffects",
            R"({"programs": {"Redistr\\a.exe": {"effects": {"registry": [{"root": "HKLM", "key": "K", "name": "N", "value": 1, "extra": 0}]}}}})",
            "'programs.Redistr\\a.exe.effects.registry[0].extra': unknown key"},
        BadFile{"UnknownEffect", R"({"programs": {"Redistr\\a.exe": {"effects": {"files": []}}}})",
                "'programs.Redistr\\a.exe.effects.files': unknown key"},
        BadFile{"BoolAsText", R"({"administrator": "yes"})", "'administrator': expected true or false"},
        BadFile{"NumberAsWord", R"({"windows": {"major": "six"}})", "'windows.major': expected a non-negative number"},
        BadFile{"NegativeNumber", R"({"windows": {"build": -1}})", "'windows.build': expected a non-negative number"},
        BadFile{"ProductType", R"({"windows": {"productType": "desktop"}})",
                "'windows.productType': expected workstation, server or domainController"},
        BadFile{"ProcessorsNotList", R"({"processors": {"mask": 1}})", "'processors': expected a list"},
        BadFile{"MissingMask", R"({"processors": [{"relationship": "core"}]})", "'processors[0].mask': missing"},
        BadFile{"ProcessNotText", R"({"runningProcesses": ["a.exe", 7]})", "'runningProcesses[1]': expected a string"},
        BadFile{"InstalledWithoutCode", R"({"installedProducts": [{"productCode": "{A}", "version": "1.0"}]})",
                "'installedProducts[0].upgradeCode': missing"},
        BadFile{"VersionWord", R"({"fileVersions": {"msi.dll": "five"}})",
                "'fileVersions.msi.dll': expected a version"},
        BadFile{"VersionTrailingText", R"({"fileVersions": {"msi.dll": "4.5.x"}})",
                "'fileVersions.msi.dll': expected a version"},
        BadFile{"VersionFiveParts", R"({"fileVersions": {"msi.dll": "1.2.3.4.5"}})",
                "'fileVersions.msi.dll': expected a version"},
        BadFile{"VersionPartTooLarge", R"({"fileVersions": {"msi.dll": "4.70000"}})",
                "'fileVersions.msi.dll': a version part is above 65535"},
        BadFile{"ServiceState", R"({"services": {"msiserver": "asleep"}})",
                "'services.msiserver': expected stopped, running"},
        BadFile{"RegistryRoot", R"({"registry": [{"root": "HKCR", "key": "K", "name": "N", "value": 1}]})",
                "'registry[0].root': expected HKLM or HKCU"},
        BadFile{"RegistryDwordTooLarge",
                R"({"registry": [{"root": "HKLM", "key": "K", "name": "N", "value": 4294967296}]})",
                "'registry[0].value': a REG_DWORD holds 32 bits"},
        BadFile{"RegistryType",
                R"({"registry": [{"root": "HKLM", "key": "K", "name": "N", "type": "REG_BINARY", "value": 1}]})",
                "'registry[0].type': expected REG_DWORD"},
        BadFile{"AbsentKeyWithoutRoot", R"({"absentRegistryKeys": ["SOFTWARE"]})",
                "'absentRegistryKeys[0]': expected ROOT\\path"},
        BadFile{"ExitCodeTooLarge", R"({"programs": {"a.exe": {"exitCode": 4294967296}}})",
                "'programs.a.exe.exitCode': an exit code holds 32 bits"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return info.param.name; });

TEST_P(MachineFileErrorTest, NamesTheKeyAndWhatIsWrong)
{
    try {
        setupsim::ApplyMachineDescription(M(), GetParam().json, "");
        FAIL() << "accepted";
    } catch (const setupsim::MachineFileError& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
    }
}

TEST(MachineFile, AGoodFileSetsTheMachine)
{
    winsim::MachineScope scope;
    setupsim::ApplyMachineDescription(M(), R"({
      "description": "two cores",
      "windows": {"major": 6, "minor": 0, "build": 6002, "productType": "workstation", "wow64": false},
      "administrator": false,
      "processors": [{"mask": "0x3", "relationship": "core"}, {"mask": 12, "relationship": "cache"}],
      "environment": {"NUMBER_OF_PROCESSORS": "2"},
      "runningProcesses": ["explorer.exe"],
      "installedProducts": [{"upgradeCode": "{U}", "productCode": "{P}", "version": "6.5.0.0"}],
      "registry": [{"root": "HKCU", "key": "Software\\Test", "name": "Text", "type": "REG_SZ", "value": "ab"}],
      "fileVersions": {"msi.dll": "4.5.6001.22159", "old.dll": null},
      "services": {"msiserver": "running"},
      "programs": {"Redistr\\fix.exe": {"exitCode": 3010, "effects": {
          "registry": [{"root": "HKLM", "view": 32, "key": "SOFTWARE\\Fixed", "name": "Install", "value": 1}],
          "services": {"msiserver": "stopped"}}}}
    })",
                                      "");
    auto& m = M();
    EXPECT_EQ(m.osMajor, 6u);
    EXPECT_EQ(m.osMinor, 0u);
    EXPECT_EQ(m.osBuild, 6002u);
    EXPECT_EQ(m.productType, VER_NT_WORKSTATION);
    EXPECT_FALSE(m.wow64);
    EXPECT_FALSE(m.isAdmin);
    ASSERT_EQ(m.processors.size(), 2u);
    EXPECT_EQ(m.processors[0].mask, 0x3u);
    EXPECT_EQ(m.processors[1].mask, 12u);
    EXPECT_EQ(m.processors[1].relationship, RelationCache);
    EXPECT_EQ(m.environment[L"NUMBER_OF_PROCESSORS"], L"2");
    ASSERT_FALSE(m.runningProcesses.empty());
    EXPECT_EQ(m.runningProcesses.back(), L"explorer.exe");
    ASSERT_EQ(m.installed[L"{U}"].size(), 1u);
    EXPECT_EQ(m.installed[L"{U}"][0].productCode, L"{P}");
    EXPECT_EQ(m.installed[L"{U}"][0].version, L"6.5.0.0");
    const auto* text = m.Value(HKEY_CURRENT_USER, L"Software\\Test", L"Text");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text->data, (std::vector<BYTE>{'a', 0, 'b', 0, 0, 0}));
    EXPECT_EQ(m.fileVersions[L"msi.dll"].build, 6001);
    EXPECT_EQ(m.fileVersions[L"msi.dll"].revision, 22159);
    EXPECT_FALSE(m.fileVersions[L"old.dll"].hasResource);
    EXPECT_EQ(m.services[L"msiserver"].state, static_cast<DWORD>(SERVICE_RUNNING));

    // The program lies on the media; its effects happen when it runs.
    auto program = m.programs.find(L"C:\\Media\\Redistr\\fix.exe");
    ASSERT_NE(program, m.programs.end());
    EXPECT_EQ(program->second.exitCode, 3010u);
    EXPECT_EQ(m.Value(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Fixed", L"Install", false), nullptr);
    program->second.effect(m, L"fix.exe");
    EXPECT_NE(m.Value(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Fixed", L"Install", false), nullptr);
    EXPECT_EQ(m.services[L"msiserver"].state, static_cast<DWORD>(SERVICE_STOPPED));
}

TEST(SetupSim, DemoRunShowsEveryBoxOfTheRoadInOrder)
{
    std::string command = std::string(OV_SETUP_SIM) + " --machine " + OV_SOURCE_DIR + "/demo/machine.json --media " +
                          OV_DEMO_MEDIA + " --answers yes,ok,reboot,yes --quick 2>&1";
    FILE* p = ::popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, got);
    int status = ::pclose(p);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << out;

    const char* road[] = {
        "== run: C:\\Media\\Setup\\Setup.exe\n",
        "Less than 2 processor cores",
        "> yes",
        "Please install .NET Framework 4.0",
        "> ok",
        "[progress window 701] Please wait while .NET Framework 4.0 is being installed.",
        "+-- dialog: ",
        "Computer reboot is required before installation can continue.",
        "> reboot",
        "== started: \"C:\\Media\\Redistr\\dotNetFx40_Full_x86_x64.exe\" /q /norestart",
        "== RunOnce \"OrvaleSetup\": C:\\Media\\Setup\\Setup.exe",
        "== reboot requested",
        "== the machine restarts",
        "== run: C:\\Media\\Setup\\Setup.exe\n",
        "Less than 2 processor cores",
        "> yes",
        "== exit code: 0",
        "== started: \"C:\\Media\\Setup\\SetupWizard.dat\" KDRSettings.xml",
    };
    std::size_t at = 0;
    for (const char* step : road) {
        std::size_t found = out.find(step, at);
        ASSERT_NE(found, std::string::npos) << "missing, or out of order: " << step << "\n" << out;
        at = found + std::string(step).size();
    }
    // The resumed run installs nothing again and asks nothing more.
    EXPECT_EQ(out.find("Please install", at), std::string::npos) << out;
    EXPECT_EQ(out.find("no answer left", 0), std::string::npos) << out;
}
}  // namespace
