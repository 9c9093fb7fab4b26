#include "tests/support/Compare.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/side/InfoFile.h"
#include "engine/workflow/Workflow.h"

namespace dm::test {

ComparisonRequest request(const std::string& a, const std::string& b, const StringList& include,
                          const StringList& exclude, uint8_t options, const std::string& infoB,
                          const std::string& infoA)
{
    ComparisonRequest r;
    r.folderA = a;
    r.folderB = b;
    r.include = include;
    r.exclude = exclude;
    r.options = options;
    r.infoA = infoA;
    r.infoB = infoB;
    return r;
}

std::unique_ptr<dirCompare> compared(const std::string& a, const std::string& b, uint8_t options,
                                     const StringList& include, const StringList& exclude, RunControl* control)
{
    auto comp = std::make_unique<dirCompare>(request(a, b, include, exclude, options), control);
    comp->run();
    return comp;
}

bool exportFolder(const std::string& folder, const std::string& file, std::string& error)
{
    dirCompare exporter(request(folder, folder, {std::string(1, platform::kSeparator)}, {}, kAllOptions), nullptr);
    return exporter.scanFolder(exporter.rootA, error, {}) &&
           exportInfoFile(describedTree(exporter, exporter.rootA), file, error);
}

result_t& child(result_t& parent, const std::string& name)
{
    if (parent.children) {
        for (auto& c : *parent.children)
            if (c->name == name) return *c;
    }
    ADD_FAILURE() << "no result named " << name;
    throw std::runtime_error("no result named " + name);
}

element_t& child(element_t& parent, const std::string& name)
{
    if (parent.children) {
        for (auto& c : *parent.children)
            if (c->name() == name) return *c;
    }
    ADD_FAILURE() << "no element named " << name;
    throw std::runtime_error("no element named " + name);
}

}  // namespace dm::test
