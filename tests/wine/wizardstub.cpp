// Stands in for the setup wizard: records how it was started and ends with a chosen code.
// Control file "<own path>.ctl" (optional): "log=<file>" (default C:\wizard.log),
// "exit=<code>" (default 0).
#include "stubcommon.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    std::string control = stub::ReadSmallFile(stub::ModulePath() + L".ctl");
    std::wstring log = stub::Wide(stub::Setting(control, "log", "C:\\wizard.log"));
    stub::AppendLine(log, GetCommandLineW());
    return static_cast<int>(stub::Number(stub::Setting(control, "exit", "0"), 0));
}
