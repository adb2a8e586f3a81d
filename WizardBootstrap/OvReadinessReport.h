// The readiness report of a run that only evaluates: every condition with what it
// decided on, every prerequisite as detected, and whether a reboot is already pending.
#pragma once

#include "bootstrap_helper/OvConditionEntity.h"

#include <string>
#include <vector>

namespace OvWizardBootstrap
{
struct OvConditionReport {
    OvSetupLib::OvMsiString name;
    bool met = false;
    OvSetupLib::OvMsiString message;  // the text a failed condition would show
    std::vector<OvBootstrapHelper::OvConditionValue> values;
};

struct OvPrerequisiteReport {
    OvSetupLib::OvMsiString name;
    bool present = false;
    OvSetupLib::OvMsiString version;
    OvSetupLib::OvMsiString command;  // what would run; empty when none can be formed
    DWORD commandError = 0;           // why none could be formed (the run would stop there)
};

struct OvReadiness {
    OvSetupLib::OvMsiString product;
    DWORD exitCode = 0;
    bool rebootPending = false;
    std::vector<OvConditionReport> conditions;
    std::vector<OvPrerequisiteReport> prerequisites;
};

// JSON in ASCII: every character outside it is written as a \u escape.
std::string ReadinessJson(const OvReadiness& readiness);
// Writes the report, never through a link. Throws OvWinError.
void WriteReadinessReport(const OvSetupLib::OvMsiString& path, const OvReadiness& readiness);

// Whether files wait to be renamed at the next boot: an installation then often fails.
bool IsRebootPending();
}  // namespace OvWizardBootstrap
