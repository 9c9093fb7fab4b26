#include "platform/TempName.h"

#include <random>

#include "platform/Text.h"

namespace dm::platform {

namespace {

constexpr std::string_view kPrefix = ".dirmatch-";
constexpr std::string_view kSuffix = ".tmp";
constexpr size_t kDigits = 16;

}  // namespace

std::string temporaryName()
{
    // One generator per thread: a copy and a settings write may run at once.
    thread_local std::mt19937_64 random{std::random_device{}()};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name(kPrefix);
    uint64_t bits = random();
    for (size_t i = 0; i < kDigits; ++i, bits >>= 4) name += kHex[bits & 15];
    name += kSuffix;
    return name;
}

bool isTemporaryName(std::string_view name)
{
    if (name.size() != kPrefix.size() + kDigits + kSuffix.size() || !name.starts_with(kPrefix) ||
        !name.ends_with(kSuffix))
        return false;
    for (const char c : name.substr(kPrefix.size(), kDigits)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

std::string temporaryBeside(const std::string& target)
{
    const std::string_view name = lastComponent(target);
    return target.substr(0, target.size() - name.size()) + temporaryName();
}

}  // namespace dm::platform
