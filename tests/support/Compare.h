// Shortcuts for tests that run a comparison and look into its result tree.
#pragma once

#include <memory>
#include <string>

#include "engine/Comp.h"
#include "platform/Text.h"

namespace dm::test {

std::unique_ptr<dirCompare> compared(const std::string& a, const std::string& b, uint8_t options = 0x1F,
                                     const StringList& include = {std::string(1, platform::kSeparator)},
                                     const StringList& exclude = {}, RunControl* control = nullptr);

// The child of `parent` with that name; fails the test when there is none.
result_t& child(result_t& parent, const std::string& name);
element_t& child(element_t& parent, const std::string& name);

}  // namespace dm::test
