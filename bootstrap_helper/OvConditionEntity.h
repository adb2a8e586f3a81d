// The interface through which the runner sees a pre-install condition.
#pragma once

#include "setup_lib/OvMsiString.h"

#include <vector>

namespace OvBootstrapHelper
{
// How the runner presents a failed condition. Both false: a warning that stops setup.
struct OvPromptKind {
    bool yesNo = false;        // Yes goes on as if met, No stops
    bool retryCancel = false;  // Retry checks again, Cancel stops
};

// A value that a check decided on, for the decision log and the readiness report.
struct OvConditionValue {
    OvSetupLib::OvMsiString name;
    OvSetupLib::OvMsiString value;
};

class OvConditionEntity
{
public:
    virtual ~OvConditionEntity() = default;
    virtual bool Check() = 0;
    virtual OvSetupLib::OvMsiString GetMessage(const wchar_t* productName) = 0;
    virtual OvPromptKind GetPromptKind() { return OvPromptKind{}; }
    // The condition's name in the decision log and the readiness report.
    virtual const wchar_t* GetName() { return L"condition"; }
    // Gives up what Check holds (a named object), for a run that only evaluates.
    virtual void Release() {}
    // The values of the latest Check, in the order they were read.
    const std::vector<OvConditionValue>& GetValues() const { return values_; }

protected:
    void ClearValues() { values_.clear(); }
    void Note(const wchar_t* name, const OvSetupLib::OvMsiString& value) { values_.push_back({name, value}); }

private:
    std::vector<OvConditionValue> values_;
};
}  // namespace OvBootstrapHelper
