// The realistic settings file that the reader is timed on, shared by the host benchmark
// and the reader timing of the Windows build.
#pragma once

#include <cstddef>
#include <string>

namespace OvBench
{
// A settings file of about `bytes` bytes, CR LF lines as the media carry them: product
// elements with upgrade codes, a package path and texts on their lines.
inline std::string SettingsText(std::size_t bytes)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Settings>\r\n";
    const std::string end = "</Settings>\r\n";
    for (unsigned n = 0; text.size() + end.size() < bytes; ++n) {
        std::string id = std::to_string(n);
        text += "  <product name=\"Keldora Server " + id +
                "\" upgradecode=\"{9F4E2A61-7B3C-4D58-A1E6-2C8B5D0F3A47};{2E7D1C94-5A3B-4F06-B8C1-9D4E6A2F0B35}\" "
                "minver=\"6.0\" AllowRevisionUpgrade=\"true\">\r\n"
                "    <description>Server role " +
                id +
                "</description>\r\n"
                "    <msi kind=\"main\" os=\"x64\">\r\n"
                "      <path value=\"Packages\\keldora" +
                id + ".msi\" arch=\"x64\" />\r\n    </msi>\r\n  </product>\r\n";
    }
    return text + end;
}
}  // namespace OvBench
