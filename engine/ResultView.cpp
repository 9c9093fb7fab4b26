#include "engine/ResultView.h"

#include "common/Messages.h"

namespace dm {

int stateIndexOf(const result_t& r)
{
    if (!r.included) return StateNotCompared;
    switch (r.kind) {
        case OnlyInA: return StateLacking;
        case OnlyInB: return StateRedundant;
        case InBoth:
            if (r.folderA != r.folderB || facesLinkedFolder(r)) return StateError;
            return r.identical ? StateIdentical : StateDifferent;
        default: return StateError;
    }
}

bool isShown(const result_t& r, bool onlyDiff)
{
    return !onlyDiff || (!r.identical && r.included);
}

bool showsChildren(const result_t& r)
{
    return r.kind == InBoth && r.folderA && r.folderB && r.children;
}

std::string folderNodeText(const std::string& name, int shownChildren)
{
    return name + "    ---    " + std::to_string(shownChildren);
}

std::string countsText(const result_t& r)
{
    return messageText(msg::CountLacked) + std::to_string(r.lacked) + messageText(msg::CountDifferent) +
           std::to_string(r.different) + messageText(msg::CountRedundant) + std::to_string(r.redundant);
}

}  // namespace dm
