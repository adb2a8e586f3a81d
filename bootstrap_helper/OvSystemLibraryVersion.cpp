// Kept apart from the pure version rules: only this needs the file-version reader.
#include "bootstrap_helper/OvRedistrVersionRule.h"

#include "setup_lib/OvWinError.h"

namespace OvBootstrapHelper
{
bool ReadSystemLibraryVersion(const wchar_t* fileName, OvSetupLib::OvFileVersion& version)
{
    try {
        version = OvSetupLib::GetFileVersion(fileName);
        return true;
    } catch (const OvSetupLib::OvWinError& e) {
        // No file, no resources, or resources without a version resource: no version data.
        if (e.ErrorCode() == ERROR_FILE_NOT_FOUND || e.ErrorCode() == ERROR_RESOURCE_DATA_NOT_FOUND ||
            e.ErrorCode() == ERROR_RESOURCE_TYPE_NOT_FOUND)
            return false;
        throw OvSetupLib::OvWinError(e);
    }
}
}  // namespace OvBootstrapHelper
