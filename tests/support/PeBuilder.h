// Builds small Windows executables byte by byte, with or without a version.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace dm::test {

// A PE32 (or PE32+) image whose RT_VERSION resource carries the fixed file
// version a.b.c.d; its resource section starts at file offset `resourcesAt`.
std::string peWithVersion(uint16_t a, uint16_t b, uint16_t c, uint16_t d, bool pe32Plus = false,
                          size_t resourcesAt = 0x200);

// A PE32 image whose RT_VERSION resources carry these IDs, in this order; the
// k-th (from 1) holds the version k.0.0.ID.
std::string peWithVersionIds(std::initializer_list<uint16_t> ids);

// A PE32 image without any resource.
std::string peWithoutVersion();

}  // namespace dm::test
