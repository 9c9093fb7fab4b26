#include <algorithm>

#include "platform/Registry.h"
#include "platform/TestSeams.h"
#include "platform/Win32.h"

namespace dm::platform {

namespace {

class Key {
public:
    Key() = default;
    ~Key()
    {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// Tests keep their keys apart, under a branch of the current user named after
// the folder they were given.
bool openKey(RootKey root, const std::string& subKey, REGSAM access, Key& key)
{
    HKEY base = root == RootKey::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    std::string path = subKey;
    if (const std::string& seam = testSeams().registryFolder; !seam.empty()) {
        std::string branch = seam;
        for (char& c : branch)
            if (c == '\\' || c == ':') c = '_';
        base = HKEY_CURRENT_USER;
        path =
            "Software\\dirmatch-tests\\" + branch + (root == RootKey::LocalMachine ? "\\HKLM\\" : "\\HKCU\\") + subKey;
    }
    return RegCreateKeyExA(base, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.out(),
                           nullptr) == ERROR_SUCCESS;
}

}  // namespace

std::optional<std::string> readRegistryString(RootKey root, const std::string& subKey, const std::string& name)
{
    Key key;
    if (!openKey(root, subKey, KEY_QUERY_VALUE, key)) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::string value(size_t(size) + 1, '\0');
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    value.resize(std::min<size_t>(size, value.size()));
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return value;
}

bool writeRegistryString(RootKey root, const std::string& subKey, const std::string& name, const std::string& value)
{
    Key key;
    if (!openKey(root, subKey, KEY_SET_VALUE, key)) return false;
    return RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          DWORD(value.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace dm::platform
