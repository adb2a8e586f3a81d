// The first match of a file search, and the file-existence test built on it.
#pragma once

#include "setup_lib/OvSmartHandle.h"

namespace OvSetupLib
{
class OvFindFileWrapper
{
public:
    // Starts a search for the path or pattern. "Not found" is an answer; any other
    // failure, such as a missing folder on the path, throws OvWinError.
    explicit OvFindFileWrapper(const wchar_t* path);
    OvFindFileWrapper(const OvFindFileWrapper&) = delete;
    OvFindFileWrapper& operator=(const OvFindFileWrapper&) = delete;
    virtual ~OvFindFileWrapper() = default;

    bool IsFound() const { return handle_.IsValid(); }
    const WIN32_FIND_DATAW& FindData() const { return findData_; }

private:
    WIN32_FIND_DATAW findData_{};
    OvFindHandle handle_;
};

// True for an existing file or folder; the path is a search pattern, so wildcards
// match. Throws OvWinError for any failure but "file not found".
bool FileExists(const wchar_t* path);
}  // namespace OvSetupLib
