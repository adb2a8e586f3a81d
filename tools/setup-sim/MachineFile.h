// Reads a machine description (JSON) into the simulated machine, and lays a media
// folder on disk over C:\Media\ so that the program reads the real files.
#pragma once

#include <winsim/Machine.h>

#include <stdexcept>
#include <string>

namespace setupsim
{
// A description that cannot be used: the message names the key and what is wrong.
struct MachineFileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Applies the description in `text` to the machine. `mediaHostDir` is the media folder
// on disk (may be empty); programs named relative to the media are resolved under it.
void ApplyMachineDescription(winsim::Machine& machine, const std::string& text, const std::string& mediaHostDir);

// Mounts a media folder as C:\Media\ with the program at C:\Media\Setup\Setup.exe.
void MountMedia(winsim::Machine& machine, const std::string& mediaHostDir);
}  // namespace setupsim
