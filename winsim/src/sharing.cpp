// Sharing between this process and the other programs that hold a file open
// (Machine::openElsewhere): an open is refused unless each side's sharing allows what the
// other side does with the file.
#include <winsim/Machine.h>

using winsim::M;

namespace winsim
{
namespace
{
bool Reads(DWORD access)
{
    return (access & (GENERIC_READ | GENERIC_ALL)) != 0;
}
bool Writes(DWORD access)
{
    return (access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
}
// Whether a handle with this sharing lets another one have that access.
bool Allows(DWORD share, DWORD access)
{
    return (!Reads(access) || (share & FILE_SHARE_READ)) && (!Writes(access) || (share & FILE_SHARE_WRITE));
}
}  // namespace

bool SharingViolation(const std::string& hostPath, DWORD access, DWORD share)
{
    // An open for attributes only takes part in no sharing check.
    if (!Reads(access) && !Writes(access)) return false;
    for (const auto& [path, other] : M().openElsewhere) {
        if (M().HostPath(path) != hostPath) continue;
        if (!Allows(other.share, access) || !Allows(share, other.access)) return true;
    }
    return false;
}
}  // namespace winsim
