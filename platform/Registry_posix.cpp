#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include "platform/Registry.h"
#include "platform/TestSeams.h"

namespace dm::platform {

namespace {
std::string registryFile(RootKey root)
{
    const std::string& seam = testSeams().registryFolder;
    if (!seam.empty()) return seam + (root == RootKey::LocalMachine ? "/hklm.ini" : "/hkcu.ini");
    if (root == RootKey::LocalMachine) return "/etc/dirmatch/registry.ini";
    return userConfigFolder() + "registry.ini";
}
}  // namespace

std::optional<std::string> readRegistryString(RootKey root, const std::string& subKey, const std::string& name)
{
    const std::string file = registryFile(root);
    IniFile store(file);
    if (!store.sectionExists(subKey)) {
        // Opening a missing key creates it; where that is impossible it reads as empty.
        if (makeFolders(folderOf(file))) {
            store.addSection(subKey);
            store.save();
        }
        return std::nullopt;
    }
    return store.value(subKey, name);
}

bool writeRegistryString(RootKey root, const std::string& subKey, const std::string& name, const std::string& value)
{
    const std::string file = registryFile(root);
    if (!makeFolders(folderOf(file))) return false;
    IniFile store(file);
    return store.writeString(subKey, name, value) && store.save();
}

}  // namespace dm::platform
