// A failure for which the system set no error still gets a code of its own: the log never
// says "ErrorCode: 0", which reads as success.
#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvVersion.h"
#include "setup_lib/OvWinError.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <functional>

namespace
{
using OvSetupLib::OvWinError;

struct SilentFailure {
    const char* what;
    const char* function;  // the simulated call that fails and sets no error
    std::function<void()> call;
    DWORD code;  // what the error then carries
};

TEST(NoErrorCodeZero, FailuresThatSetNoErrorGetADefinedCode)
{
    const SilentFailure cases[] = {
        {"thrown on a failed call", "GetFullPathNameW", [] { OvSetupLib::GetParentFolder(L"C:\\Media\\Setup.exe"); },
         ERROR_INTERNAL_ERROR},
        {"the system has no text for a code", "FormatMessageW", [] { OvSetupLib::OvMsiString text{OvWinError(2)}; },
         ERROR_INTERNAL_ERROR},
        {"the version block cannot be queried", "VerQueryValueW", [] { OvSetupLib::GetFileVersion(L"msi.dll"); },
         ERROR_INTERNAL_ERROR},
    };
    for (const auto& c : cases) {
        winsim::MachineScope machine;
        winsim::M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 6001, 22159, true};
        winsim::M().faults[c.function] = winsim::Fault{ERROR_SUCCESS};
        try {
            c.call();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code) << c.what;
        }
    }
}

TEST(NoErrorCodeZero, TheLastErrorOfAFailureIsKeptWhenTheSystemSetOne)
{
    winsim::MachineScope machine;
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(OvSetupLib::LastErrorOfFailure(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(OvSetupLib::LastErrorOfFailure(), static_cast<DWORD>(ERROR_INTERNAL_ERROR));
    try {
        OvSetupLib::ThrowLastErrorIf(true, L"step");
        ADD_FAILURE() << "no error";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_INTERNAL_ERROR));
        EXPECT_EQ(e.Message(), OvSetupLib::OvMsiString(L"step"));
    }
}
// Each return convention keeps the call's own code: a returned status whatever its type
// (an NTSTATUS keeps all its bits), the last error for a FALSE or a null result.
TEST(ErrorHelpers, EachConventionThrowsTheCallsOwnCode)
{
    winsim::MachineScope machine;
    auto thrownCode = [](const std::function<void()>& call) -> DWORD {
        try {
            call();
        } catch (const OvWinError& e) {
            return e.ErrorCode();
        }
        return 0;
    };
    EXPECT_EQ(thrownCode([] { OvSetupLib::ThrowIfError(LONG{ERROR_SUCCESS}); }), 0u);
    EXPECT_EQ(thrownCode([] { OvSetupLib::ThrowIfError(LONG{ERROR_FILE_NOT_FOUND}); }), 2u);
    EXPECT_EQ(thrownCode([] { OvSetupLib::ThrowIfError(UINT{ERROR_INVALID_PARAMETER}); }), 87u);
    EXPECT_EQ(thrownCode([] { OvSetupLib::ThrowIfError(static_cast<NTSTATUS>(0xC0000022)); }), 0xC0000022u);
    int object = 0;
    EXPECT_EQ(OvSetupLib::ThrowLastErrorIfNull(&object), &object);
    SetLastError(ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(thrownCode([] { OvSetupLib::ThrowLastErrorIfNull(static_cast<HMODULE>(nullptr)); }), 126u);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(thrownCode([] { OvSetupLib::ThrowLastErrorIfNull(static_cast<HMODULE>(nullptr)); }),
              static_cast<DWORD>(ERROR_INTERNAL_ERROR));
}
}  // namespace
