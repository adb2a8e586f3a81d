// Stands in for a running product process: does nothing until it is ended, and ends by
// itself after the number of seconds given as its argument (60 at most, the default).
#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int)
{
    unsigned long seconds = 60;
    if (commandLine && *commandLine) {
        unsigned long asked = std::wcstoul(commandLine, nullptr, 10);
        if (asked > 0 && asked < seconds) seconds = asked;
    }
    Sleep(seconds * 1000);
    return 0;
}
