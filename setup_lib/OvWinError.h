// The one exception type of the system: a Win32 error code and an optional message.
#pragma once

#include "setup_lib/OvMsiString.h"

namespace OvSetupLib
{
class OvWinError
{
public:
    explicit OvWinError(DWORD code) : code_(code) {}
    OvWinError(DWORD code, const wchar_t* message) : code_(code), message_(message) {}
    OvWinError(const OvWinError&) = default;
    OvWinError& operator=(const OvWinError&) = default;
    virtual ~OvWinError() = default;

    DWORD ErrorCode() const { return code_; }
    OvMsiString Message() const { return message_; }

private:
    DWORD code_;
    OvMsiString message_;
};

// One line per return convention, so that each call site stays one line.
inline void ThrowLastErrorIf(bool failed, const wchar_t* message = nullptr)
{
    if (failed) throw OvWinError(GetLastError(), message);
}
inline void ThrowIfError(DWORD status, const wchar_t* message = nullptr)
{
    if (status != 0) throw OvWinError(status, message);
}
}  // namespace OvSetupLib
