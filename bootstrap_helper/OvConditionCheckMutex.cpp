#include "bootstrap_helper/OvConditionCheckMutex.h"

#include "bootstrap_helper/OvProductText.h"
#include "setup_lib/OvStrings.h"

namespace OvBootstrapHelper
{
namespace
{
// Opens or creates the named object into handle; true when the name was there before
// (a name that may not be opened counts as there).
bool OpenNamed(const wchar_t* name, OvSetupLib::OvHandle& handle)
{
    handle.Reset(CreateMutexW(nullptr, FALSE, name));
    DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
}
}  // namespace

OvConditionCheckMutex::OvConditionCheckMutex(const wchar_t* firstName, const wchar_t* secondName, HINSTANCE instance)
    : firstName(firstName), secondName(secondName), instance(instance)
{}

bool OvConditionCheckMutex::Check()
{
    // From here on the string table is read through the instance handle, as setup always did.
    // It names the program's own file, as the null module does, so the rows stay the same
    // (StringTable.TheModuleSetByTheSingleInstanceConditionReadsTheSame); a condition that runs
    // before this one still reads them. It is set here because this condition is given the handle.
    OvSetupLib::SetResourceModule(instance);
    bool firstExisted = OpenNamed(firstName, firstHandle);
    bool secondExisted = OpenNamed(secondName, secondHandle);
    ClearValues();
    const bool met = !firstExisted || !secondExisted;
    Note(L"another-setup", firstExisted ? L"running" : L"not running");
    if (firstExisted) firstHandle.Reset();
    return met;
}

void OvConditionCheckMutex::Release()
{
    firstHandle.Reset();
    secondHandle.Reset();
}

OvSetupLib::OvMsiString OvConditionCheckMutex::GetMessage(const wchar_t* productName)
{
    return ProductText(504, productName);
}
}  // namespace OvBootstrapHelper
