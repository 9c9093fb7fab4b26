// Builds small Windows executables byte by byte, with or without a version.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace dm::test {

// A PE32 (or PE32+) image whose RT_VERSION resource carries the fixed file
// version a.b.c.d; its resource section starts at file offset `resourcesAt`.
std::string peWithVersion(uint16_t a, uint16_t b, uint16_t c, uint16_t d, bool pe32Plus = false,
                          size_t resourcesAt = 0x200);

// A PE32 image without any resource.
std::string peWithoutVersion();

}  // namespace dm::test
