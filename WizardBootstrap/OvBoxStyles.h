// The styles of the program's message boxes.
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvWizardBootstrap
{
// A box that ends setup: a failed condition or installation, a folder setup cannot use.
constexpr UINT kStyleStop = MB_OK | MB_ICONEXCLAMATION | MB_TOPMOST;
// A condition that the administrator may pass over (Yes goes on).
constexpr UINT kStyleYesNo = MB_YESNO | MB_ICONQUESTION;
// A condition that may be met after the administrator acts (Retry checks again).
constexpr UINT kStyleRetryCancel = MB_RETRYCANCEL | MB_ICONHAND;
// The question that installs the missing prerequisites.
constexpr UINT kStylePrerequisites = MB_OKCANCEL | MB_ICONQUESTION;
}  // namespace OvWizardBootstrap
