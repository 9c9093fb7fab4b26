// String values of the registry under the current user's or the machine's key.
// Where there is no registry they are kept in one ini file per root key (a key
// is a section named by its sub-key path, a value one of its keys):
// $XDG_CONFIG_HOME/dirmatch/registry.ini for the current user (~/.config when
// unset), /etc/dirmatch/registry.ini for the machine.
#pragma once

#include <optional>
#include <string>

namespace dm::platform {

enum class RootKey { LocalMachine, CurrentUser };

// Opens the key (creating it where that is possible) and reads the string
// value; nothing when the key cannot be opened or the value is missing.
std::optional<std::string> readRegistryString(RootKey root, const std::string& subKey, const std::string& name);

bool writeRegistryString(RootKey root, const std::string& subKey, const std::string& name, const std::string& value);

}  // namespace dm::platform
