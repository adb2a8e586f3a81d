// One registry key opened in a chosen registry view (64-bit or the process's own).
#pragma once

#include "setup_lib/OvSmartHandle.h"

namespace OvSetupLib
{
// A trap in the shape: the handle inherited from OvSmartHandle is never used; the key is
// key_, and Get() hides the inherited one. The inherited Reset(), Receive() and IsValid()
// act on the empty slot, not on the open key: do not call them on this class.
class OvRegKeyHelper : public OvSmartHandle<HKEY, OvRegKeyReleaser>
{
public:
    explicit OvRegKeyHelper(bool view64) : viewFlags_(view64 ? KEY_WOW64_64KEY : 0) {}

    // True when the key can be opened for reading, false when it does not exist;
    // throws OvWinError for any other result.
    bool KeyExists(HKEY root, const wchar_t* path);
    // These return the registry call's result; the caller decides what a failure means.
    LONG Open(HKEY root, const wchar_t* path, REGSAM desiredAccess);
    LONG Create(const OvRegKeyHelper& parent, const wchar_t* subKey, REGSAM desiredAccess);
    // A REG_SZ value, stored with its terminating null in UTF-16 units of two bytes in
    // every build.
    LONG SetStringValue(const wchar_t* name, const wchar_t* text);
    HKEY Get() const { return key_.Get(); }

private:
    OvRegKey key_;
    REGSAM viewFlags_;
};
}  // namespace OvSetupLib
