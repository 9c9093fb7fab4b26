// This process among the others of its machine, and what it may hold.
#pragma once

#include <cstdint>

namespace dm::platform {

uint64_t thisProcess();
// Whether a process of this machine is still running.
bool processRunning(uint64_t process);
// A short tag of this machine's name.
uint32_t thisMachine();

// Raises the soft limit of open descriptors to the hard one, once, as the
// program starts; the limit in force then.
uint64_t raiseDescriptorLimit();
// How many descriptors the program may hold open at once.
uint64_t descriptorLimit();

}  // namespace dm::platform
