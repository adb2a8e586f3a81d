// The redistributables folder is computed once, before the entry point runs, from the
// program's path. A host test process runs many simulated programs: each test computes the
// folder again after it set the machine's module path, as a new process would. Only tests
// call this, so no product header declares it; OvRedistrInstall.cpp defines it.
#pragma once

namespace OvBootstrapHelper
{
void RecomputeRedistrFolder();
}  // namespace OvBootstrapHelper
