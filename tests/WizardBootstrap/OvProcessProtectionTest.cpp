// The process protects itself before anything of the program runs: the DLL search is
// restricted to the system folder during static initialisation.
#include "WizardBootstrap/OvProcessProtection.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

namespace
{
// Read during this file's static initialisation: later than the program's own protection,
// earlier than any test, which replaces the machine.
const DWORD g_searchFlagsAtStart = winsim::M().dllDirectoryFlags;
const bool g_searchClearedAtStart = winsim::M().dllDirectoryCleared;
const std::size_t g_librariesLoadedAtStart = winsim::M().loadedLibraries.size();

TEST(ProcessProtection, TheDllSearchIsRestrictedBeforeTheProgramRuns)
{
    EXPECT_EQ(g_searchFlagsAtStart, static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
    // The fallback for systems without that call is not needed where it exists.
    EXPECT_FALSE(g_searchClearedAtStart);
    EXPECT_EQ(g_librariesLoadedAtStart, 0u);
}

TEST(ProcessProtection, AnOrdinaryProgramPathMayRun)
{
    winsim::MachineScope machine;
    EXPECT_EQ(OvWizardBootstrap::CheckProgramFile(), 0u);
}
}  // namespace
