// Only one setup at a time: two named objects mark a running setup.
#pragma once

#include "bootstrap_helper/OvConditionEntity.h"
#include "setup_lib/OvSmartHandle.h"

namespace OvBootstrapHelper
{
class OvConditionCheckMutex : public OvConditionEntity
{
public:
    // The names are kept by pointer: the caller keeps them alive.
    OvConditionCheckMutex(const wchar_t* firstName, const wchar_t* secondName, HINSTANCE instance);
    bool Check() override;
    OvSetupLib::OvMsiString GetMessage(const wchar_t* productName) override;
    const wchar_t* GetName() override { return L"single-setup"; }
    void Release() override;

private:
    const wchar_t* firstName;
    const wchar_t* secondName;
    HINSTANCE instance;
    OvSetupLib::OvHandle firstHandle;
    OvSetupLib::OvHandle secondHandle;
};
}  // namespace OvBootstrapHelper
