#include "platform/TempName.h"

#include <charconv>
#include <cstdio>
#include <random>

#include "platform/Process.h"
#include "platform/Text.h"

namespace dm::platform {

namespace {

// ".dirmatch-MMMMMMMM-PID-RRRRRRRRRRRRRRRR.tmp": machine, process, random.
constexpr std::string_view kPrefix = ".dirmatch-";
constexpr std::string_view kSuffix = ".tmp";
constexpr size_t kMachineDigits = 8;
constexpr size_t kRandomDigits = 16;

bool isLowerHex(std::string_view text)
{
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

struct Maker {
    uint32_t machine = 0;
    uint64_t process = 0;
};

bool makerOf(std::string_view name, Maker& maker)
{
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return false;
    name = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    if (name.size() < kMachineDigits + 3 + kRandomDigits || name[kMachineDigits] != '-' ||
        name[name.size() - kRandomDigits - 1] != '-')
        return false;
    const std::string_view machine = name.substr(0, kMachineDigits);
    const std::string_view process = name.substr(kMachineDigits + 1, name.size() - kMachineDigits - 2 - kRandomDigits);
    if (!isLowerHex(machine) || !isLowerHex(name.substr(name.size() - kRandomDigits)) || process.empty() ||
        process.size() > 20 || process[0] == '0')
        return false;
    const auto parsedMachine = std::from_chars(machine.data(), machine.data() + machine.size(), maker.machine, 16);
    const auto parsedProcess = std::from_chars(process.data(), process.data() + process.size(), maker.process);
    return parsedMachine.ptr == machine.data() + machine.size() && parsedProcess.ptr == process.data() + process.size();
}

}  // namespace

std::string temporaryName()
{
    // One generator per thread: a copy and a settings write may run at once.
    thread_local std::mt19937_64 random{std::random_device{}()};
    static constexpr char kHex[] = "0123456789abcdef";
    char maker[40];
    std::snprintf(maker, sizeof maker, "%08x-%llu-", unsigned(thisMachine()),
                  static_cast<unsigned long long>(thisProcess()));
    std::string name = std::string(kPrefix) + maker;
    uint64_t bits = random();
    for (size_t i = 0; i < kRandomDigits; ++i, bits >>= 4) name += kHex[bits & 15];
    name += kSuffix;
    return name;
}

bool isTemporaryName(std::string_view name)
{
    Maker maker;
    return makerOf(name, maker);
}

bool isLeftoverName(std::string_view name)
{
    Maker maker;
    return makerOf(name, maker) && maker.machine == thisMachine() && maker.process != thisProcess() &&
           !processRunning(maker.process);
}

std::string temporaryBeside(const std::string& target)
{
    const std::string_view name = lastComponent(target);
    return target.substr(0, target.size() - name.size()) + temporaryName();
}

}  // namespace dm::platform
