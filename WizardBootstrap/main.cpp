// The entry point: the whole road of one run. It builds the log, chooses the
// product from the first token, builds every condition and prerequisite, runs
// the runner and hands over to the wizard.
#include "WizardBootstrap/OvEntryPoint.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
{
    return OvWizardBootstrap::RunSetup(instance, commandLine);
}
