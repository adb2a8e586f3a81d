// The interface through which the runner sees a pre-install condition.
#pragma once

#include "setup_lib/OvMsiString.h"

namespace OvBootstrapHelper
{
// How the runner presents a failed condition. Both false: a warning that stops setup.
struct OvPromptKind {
    bool yesNo = false;        // Yes goes on as if met, No stops
    bool retryCancel = false;  // Retry checks again, Cancel stops
};

class OvConditionEntity
{
public:
    virtual ~OvConditionEntity() = default;
    virtual bool Check() = 0;
    virtual OvSetupLib::OvMsiString GetMessage(const wchar_t* productName) = 0;
    virtual OvPromptKind GetPromptKind() { return OvPromptKind{}; }
};
}  // namespace OvBootstrapHelper
