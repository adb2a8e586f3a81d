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

// The code given to a failure for which the system set no error of its own, so that no
// error ever reads "ErrorCode: 0".
constexpr DWORD kNoSystemError = ERROR_INTERNAL_ERROR;

// The calling thread's last error, for a call that failed; never 0.
inline DWORD LastErrorOfFailure()
{
    DWORD code = GetLastError();
    return code != ERROR_SUCCESS ? code : kNoSystemError;
}

// One helper per return convention, so that each call site stays one line.

// A call that reports failure by its result (FALSE, 0, -1, ...) and the reason in the
// last error.
inline void ThrowLastErrorIf(bool failed, const wchar_t* message = nullptr)
{
    if (failed) throw OvWinError(LastErrorOfFailure(), message);
}

// A call that returns its status: a Win32 error (LONG from the registry, UINT from the
// installer, DWORD from the security calls) or an NTSTATUS; anything but 0 is the code.
template <typename Status>
void ThrowIfError(Status status, const wchar_t* message = nullptr)
{
    if (status != 0) throw OvWinError(static_cast<DWORD>(status), message);
}

// A call that returns a handle or pointer, null on failure, and the reason in the last error.
template <typename Handle>
Handle ThrowLastErrorIfNull(Handle handle, const wchar_t* message = nullptr)
{
    ThrowLastErrorIf(handle == nullptr, message);
    return handle;
}
}  // namespace OvSetupLib
