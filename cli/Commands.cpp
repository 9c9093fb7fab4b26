#include "cli/Commands.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/Output.h"
#include "cli/TerminalProgress.h"
#include "common/ErrorLog.h"
#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/InfoFile.h"
#include "engine/ResultView.h"
#include "engine/Sync.h"
#include "platform/Console.h"
#include "platform/ProgramPaths.h"
#include "platform/Text.h"

namespace dm::cli {

namespace {

const std::string kTool = "dirmatch: ";

// A system's error text may end with its own line break; an error is one line.
std::string oneLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string logPath()
{
    return TDM::LogPathFor(platform::programFile());
}

bool finished(const dirCompare& comp)
{
    return comp.state == Finished || comp.state == TooManyFiles;
}

int exitCodeOf(const dirCompare& comp)
{
    if (comp.state == TooManyFiles) return ExitLimit;
    if (comp.state != Finished) return ExitError;
    const result_t& r = comp.results;
    return r.lacked == 0 && r.different == 0 && r.redundant == 0 ? ExitSame : ExitDifferent;
}

std::unique_ptr<dirCompare> runComparison(const CompareArgs& args, TerminalProgress& progress)
{
    auto comp = std::make_unique<dirCompare>(args.folderA, args.folderB, &progress, args.include, args.exclude,
                                             args.options, args.infoB, args.infoA);
    comp->maxEntries = args.maxEntries;
    comp->run(args.infoA.empty() ? 0 : 1);
    progress.clear();
    if (!finished(*comp)) comp->logError(comp->errorText, logPath());
    if (comp->state == TooManyFiles) std::cerr << messageText(msg::TooManyEntries) << args.maxEntries << std::endl;
    return comp;
}

int report(dirCompare& comp, const CompareArgs& args)
{
    if (args.json) {
        std::cout << jsonText(toJson(comp)) << std::endl;
    } else if (finished(comp)) {
        printTree(std::cout, comp, args.all);
    } else {
        const std::string state = stateText(comp.state, comp.errorText);
        const bool detail = !comp.errorText.empty() && comp.errorText != state;
        std::cerr << kTool << oneLine(state + (detail ? ": " + comp.errorText : std::string())) << std::endl;
    }
    return exitCodeOf(comp);
}

// The result node at a path relative to the compared folders ("sub/file").
result_t* findItem(result_t& root, const std::string& relative, result_t*& parent)
{
    // Split from the end, where the platform knows whole characters from bytes.
    std::vector<std::string> parts;
    for (std::string_view rest = relative; !rest.empty();) {
        const std::string_view last = platform::lastComponent(rest);
        if (!last.empty()) parts.insert(parts.begin(), std::string(last));
        rest.remove_suffix(std::min(rest.size(), last.size() + 1));
    }
    result_t* node = &root;
    parent = nullptr;
    for (const std::string& part : parts) {
        if (!node->children) return nullptr;
        result_t* next = nullptr;
        for (const auto& c : *node->children) {
            if (c->name == part) next = c.get();
        }
        for (const auto& c : *node->children) {
            if (!next && platform::upperCase(c->name) == platform::upperCase(part)) next = c.get();
        }
        if (!next) return nullptr;
        parent = node == &root ? nullptr : node;
        node = next;
    }
    return node == &root ? nullptr : node;
}

bool confirmed()
{
    std::cerr << messageText(msg::SyncConfirmCaption) << ": " << messageText(msg::SyncConfirm) << " [y/N] "
              << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace

bool rulesByte(const std::string& rules, uint8_t& byte, std::string& error)
{
    byte = optValid;
    if (rules == "none") return true;
    size_t at = 0;
    while (at <= rules.size()) {
        const size_t end = std::min(rules.find(',', at), rules.size());
        const std::string rule = rules.substr(at, end - at);
        at = end + 1;
        if (rule == "size")
            byte |= optSize;
        else if (rule == "time")
            byte |= optTime;
        else if (rule == "version")
            byte |= optVersion;
        else if (rule == "subdirs")
            byte |= optSubFolders;
        else {
            error = "unknown rule '" + rule + "' (size, time, version, subdirs or none)";
            return false;
        }
    }
    return true;
}

bool rawByte(const std::string& text, uint8_t& byte, std::string& error)
{
    try {
        size_t used = 0;
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const unsigned long value = std::stoul(hex ? text.substr(2) : text, &used, hex ? 16 : 10);
        if (used == (hex ? text.size() - 2 : text.size()) && value <= 255 && text[0] != '-' && text[0] != '+') {
            byte = uint8_t(value);
            return true;
        }
    } catch (const std::exception&) {
    }
    error = "--options takes a byte, 0 to 255 or 0x00 to 0xFF: '" + text + "'";
    return false;
}

int runCompare(const CompareArgs& args)
{
    TerminalProgress progress;
    auto comp = runComparison(args, progress);
    return report(*comp, args);
}

int runSync(const CompareArgs& args, const SyncArgs& sync)
{
    if (!args.infoA.empty() || !args.infoB.empty()) {
        std::cerr << kTool << "sync needs both folders on disk; an information file has nothing to copy from"
                  << std::endl;
        return ExitError;
    }
    TerminalProgress progress;
    auto comp = runComparison(args, progress);
    if (!finished(*comp)) return report(*comp, args);

    // The item, and the list that holds it, as the tree's "update" action takes them.
    result_t* item = nullptr;
    result_t* parent = nullptr;
    if (!sync.item.empty()) {
        item = findItem(comp->results, sync.item, parent);
        if (!item) {
            std::cerr << kTool << "no item '" << sync.item << "' in the comparison" << std::endl;
            return ExitError;
        }
    }
    const bool folderCase = item && showsChildren(*item);
    result_t& owner = !item ? comp->results : folderCase ? *item : parent ? *parent : comp->results;
    const result_t* listParent = folderCase ? item : item ? parent : nullptr;
    const std::string name = item && !folderCase ? item->name : std::string();

    const auto plan = syncPlan(*comp, *owner.children, listParent, name, args.exclude);
    for (const SyncStep& step : plan) std::cout << step.source << " -> " << step.target << '\n';
    if (sync.dryRun || plan.empty()) {
        if (plan.empty()) std::cout << countsText(comp->results) << '\n';
        return exitCodeOf(*comp);
    }
    if (!sync.yes) {
        if (!platform::isTerminal(platform::Stream::Input)) {
            std::cerr << kTool << "not copying without --yes when no one can be asked" << std::endl;
            return ExitError;
        }
        if (!confirmed()) return exitCodeOf(*comp);
    }

    const SyncOutcome outcome = synchronize(*comp, *owner.children, listParent, name, args.exclude);
    if (outcome.failed > 0) std::cerr << kTool << outcome.failed << " copies failed" << std::endl;
    if (!item) {
        comp = runComparison(args, progress);
    } else {
        comp->refresh(owner, 0, name);
        progress.clear();
    }
    std::cout << '\n';
    return report(*comp, args);
}

int runExport(const std::string& folderA, const std::string& file, const std::string& folderB, int32_t maxEntries)
{
    std::string normalized;
    std::string error;
    if (!normalizeFolder(folderA, normalized, error)) {
        std::cerr << kTool << oneLine(error) << std::endl;
        return ExitError;
    }
    TerminalProgress progress;
    dirCompare comp(folderA, folderB, &progress, {std::string(1, platform::kSeparator)}, {}, kAllOptions, {}, file);
    comp.maxEntries = maxEntries;
    const bool scanned = comp.scanFolder(comp.rootA, error, {});
    progress.clear();
    if (!scanned) {
        std::cerr << kTool << oneLine(error) << std::endl;
        return ExitError;
    }
    if (comp.rootA.count >= maxEntries) std::cerr << messageText(msg::TooManyEntries) << maxEntries << std::endl;
    if (!exportInfoFile(comp, file, error, comp.rootA)) {
        std::cerr << messageText(msg::ExportFailed) << '\n' << error << std::endl;
        writeLog(error, logPath());
        return ExitError;
    }
    std::cout << messageText(msg::ExportDone1) << comp.pathA << messageText(msg::ExportDone2) << file
              << messageText(msg::ExportDone3) << std::endl;
    return comp.rootA.count >= maxEntries ? ExitLimit : ExitSame;
}

}  // namespace dm::cli
