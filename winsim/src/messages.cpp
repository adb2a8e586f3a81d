// The system's message table, for the codes that the program can meet.
#include <winsim/Machine.h>

#include <cstring>
#include <map>

using winsim::M;

namespace
{
const std::map<DWORD, const wchar_t*>& Table()
{
    static const std::map<DWORD, const wchar_t*> table = {
        {0, L"The operation completed successfully.\r\n"},
        {1, L"Incorrect function.\r\n"},
        {2, L"The system cannot find the file specified.\r\n"},
        {3, L"The system cannot find the path specified.\r\n"},
        {5, L"Access is denied.\r\n"},
        {6, L"The handle is invalid.\r\n"},
        {8, L"Not enough memory resources are available to process this command.\r\n"},
        {13, L"The data is invalid.\r\n"},
        {14, L"Not enough memory resources are available to complete this operation.\r\n"},
        {32, L"The process cannot access the file because it is being used by another process.\r\n"},
        {39, L"The disk is full.\r\n"},
        {50, L"The request is not supported.\r\n"},
        {80, L"The file exists.\r\n"},
        {87, L"The parameter is incorrect.\r\n"},
        {120, L"This function is not supported on this system.\r\n"},
        {122, L"The data area passed to a system call is too small.\r\n"},
        {123, L"The filename, directory name, or volume label syntax is incorrect.\r\n"},
        {126, L"The specified module could not be found.\r\n"},
        {127, L"The specified procedure could not be found.\r\n"},
        {183, L"Cannot create a file when that file already exists.\r\n"},
        {193, L"%1 is not a valid Win32 application.\r\n"},
        {203, L"The system could not find the environment option that was entered.\r\n"},
        {206, L"The filename or extension is too long.\r\n"},
        {234, L"More data is available.\r\n"},
        {259, L"No more data is available.\r\n"},
        {681, L"The create operation stopped after reaching a symbolic link.\r\n"},
        {1053, L"The service did not respond to the start or control request in a timely fashion.\r\n"},
        {1056, L"An instance of the service is already running.\r\n"},
        {1058,
         L"The service cannot be started, either because it is disabled or because it has no enabled "
         L"devices associated with it.\r\n"},
        {1060, L"The specified service does not exist as an installed service.\r\n"},
        {1061, L"The service cannot accept control messages at this time.\r\n"},
        {1062, L"The service has not been started.\r\n"},
        {1300, L"Not all privileges or groups referenced are assigned to the caller.\r\n"},
        {1313, L"A specified privilege does not exist.\r\n"},
        {1314, L"A required privilege is not held by the client.\r\n"},
        {1359, L"An internal error occurred.\r\n"},
        {1603, L"Fatal error during installation.\r\n"},
        {1605, L"This action is only valid for products that are currently installed.\r\n"},
        {1608, L"Unknown property.\r\n"},
        {1609, L"Handle is in an invalid state.\r\n"},
        {1610, L"The configuration data for this product is corrupt.  Contact your support personnel.\r\n"},
        {1619,
         L"This installation package could not be opened.  Verify that the package exists and that you "
         L"can access it, or contact the application vendor to verify that this is a valid Windows "
         L"Installer package.\r\n"},
        {1620,
         L"This installation package could not be opened.  Contact the application vendor to verify that "
         L"this is a valid Windows Installer package.\r\n"},
        {1627, L"Function failed during execution.\r\n"},
        {1812, L"The specified image file did not contain a resource section.\r\n"},
        {1813, L"The specified resource type cannot be found in the image file.\r\n"},
        {1814, L"The specified resource name cannot be found in the image file.\r\n"},
        {3010,
         L"The requested operation is successful. Changes will not be effective until the system is "
         L"rebooted.\r\n"},
        {4390, L"The file or directory is not a reparse point.\r\n"},
    };
    return table;
}
}  // namespace

DWORD FormatMessageW(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPWSTR buffer, DWORD size, void* arguments)
{
    if (winsim::Fails("FormatMessageW")) return 0;
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM)) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    auto it = Table().find(messageId);
    if (it == Table().end()) {
        M().lastError = ERROR_MR_MID_NOT_FOUND;
        return 0;
    }
    // Inserts are expanded unless ignored: with no arguments to take them from, the call fails.
    // Argument lists are not modelled, so a call that passes them is refused too.
    if (!(flags & FORMAT_MESSAGE_IGNORE_INSERTS) && std::wcschr(it->second, L'%') != nullptr) {
        (void)arguments;
        M().lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    std::size_t n = std::wcslen(it->second);
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* text = static_cast<wchar_t*>(LocalAlloc(LMEM_ZEROINIT, (n + 1) * sizeof(wchar_t)));
        if (text == nullptr) return 0;  // LocalAlloc set the error
        std::wmemcpy(text, it->second, n + 1);
        *reinterpret_cast<wchar_t**>(buffer) = text;
        return static_cast<DWORD>(n);
    }
    if (size <= n) {
        M().lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    std::wmemcpy(buffer, it->second, n + 1);
    return static_cast<DWORD>(n);
}
