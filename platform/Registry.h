// A small registry: string values under keys, kept in one ini file per root
// key (a key is a section named by its sub-key path, a value one of its keys).
#pragma once

#include <optional>
#include <string>

namespace dm::platform {

enum class RootKey { LocalMachine, CurrentUser };

// The file that holds a root key: $XDG_CONFIG_HOME/dirmatch/registry.ini for
// the current user (~/.config when unset), /etc/dirmatch/registry.ini for the machine.
std::string registryFile(RootKey root);

// Opens the key (creating it where that is possible) and reads the string
// value; nothing when the key cannot be opened or the value is missing.
std::optional<std::string> readRegistryString(RootKey root, const std::string& subKey, const std::string& name);

bool writeRegistryString(RootKey root, const std::string& subKey, const std::string& name, const std::string& value);

}  // namespace dm::platform
