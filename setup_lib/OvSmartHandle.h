// Owning system handles: one releaser per handle kind, an invalid value per kind.
// Closing never changes the last error, since callers often read it right after.
#pragma once

#include "setup_lib/OvPlatform.h"

#include <cstdint>

namespace OvSetupLib
{
template <typename H>
struct OvHandleReleaser {
    static void Release(H h) { CloseHandle(h); }
};
template <typename H>
struct OvLibraryReleaser {
    static void Release(H h) { FreeLibrary(h); }
};
template <typename H>
struct OvServiceHandleReleaser {
    static void Release(H h) { CloseServiceHandle(h); }
};
template <typename H>
struct OvRegKeyReleaser {
    static void Release(H h) { RegCloseKey(h); }
};
template <typename H>
struct OvFindHandleReleaser {
    static void Release(H h) { FindClose(h); }
};
template <typename H>
struct OvSidReleaser {
    static void Release(H h) { FreeSid(h); }
};
template <typename H>
struct OvLocalMemoryReleaser {
    static void Release(H h) { LocalFree(h); }
};

template <typename H, template <typename> class Releaser, std::intptr_t Invalid = 0>
class OvSmartHandle : public Releaser<H>
{
public:
    static H InvalidValue() { return reinterpret_cast<H>(Invalid); }

    explicit OvSmartHandle(H value = InvalidValue()) : value_(value) {}
    OvSmartHandle(const OvSmartHandle&) = delete;
    OvSmartHandle& operator=(const OvSmartHandle&) = delete;
    virtual ~OvSmartHandle() { Reset(InvalidValue()); }

    H Get() const { return value_; }
    bool IsValid() const { return value_ != InvalidValue(); }
    void Reset(H value = InvalidValue())
    {
        if (value == value_) return;
        if (value_ != InvalidValue()) {
            DWORD saved = GetLastError();
            Releaser<H>::Release(value_);
            SetLastError(saved);
        }
        value_ = value;
    }
    // For calls that return a handle through an out-parameter: what was held is
    // released first.
    H* Receive()
    {
        Reset();
        return &value_;
    }

private:
    H value_;
};

using OvHandle = OvSmartHandle<HANDLE, OvHandleReleaser>;
using OvLibraryHandle = OvSmartHandle<HINSTANCE, OvLibraryReleaser>;
using OvServiceHandle = OvSmartHandle<SC_HANDLE, OvServiceHandleReleaser>;
using OvRegKey = OvSmartHandle<HKEY, OvRegKeyReleaser>;
using OvFindHandle = OvSmartHandle<HANDLE, OvFindHandleReleaser, -1>;
// A security identifier made by AllocateAndInitializeSid.
using OvSid = OvSmartHandle<PSID, OvSidReleaser>;
// Memory that the system allocated for the caller and LocalFree releases (a formatted
// message, a buffer from LocalAlloc), as the pointer type the call hands out.
template <typename P>
using OvLocalMemory = OvSmartHandle<P, OvLocalMemoryReleaser>;
// A security descriptor that a call built for the caller (from a string, or read from an object).
using OvSecurityDescriptor = OvLocalMemory<PSECURITY_DESCRIPTOR>;

// A function found with GetProcAddress, as its own type.
template <typename Fn>
Fn ProcAs(FARPROC address)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
}

// A kernel32 function that older systems may lack, or null when it is not there.
template <typename Fn>
Fn Kernel32Proc(const char* name)
{
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    return kernel == nullptr ? nullptr : ProcAs<Fn>(GetProcAddress(kernel, name));
}
}  // namespace OvSetupLib
