// Enables the shutdown privilege of the process; the privilege stays enabled.
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvSetupLib
{
class OvExitWindow
{
public:
    // Throws OvWinError when the privilege cannot be enabled.
    OvExitWindow();
    OvExitWindow(const OvExitWindow&) = delete;
    OvExitWindow& operator=(const OvExitWindow&) = delete;
    virtual ~OvExitWindow() = default;
};
}  // namespace OvSetupLib
