// A folder as an information file describes it: read whole, never written.
#include "common/Messages.h"
#include "engine/side/InfoFile.h"
#include "engine/side/ListingSink.h"
#include "engine/side/Side.h"

namespace dm {

namespace {

class InformationFile : public Side {
public:
    explicit InformationFile(std::string file) : file_(std::move(file)) {}

    bool list(element_t& node, const std::string&, ListingSink& sink, std::string& error) const override
    {
        // The file describes folders whole: a folder below the root is found by its path.
        return readInfoFile(sink, node, file_, error, sink.scope().top ? std::string() : node.path, &timeStep_);
    }
    platform::FolderMedia media(const std::string&, bool) const override { return {timeStep_, 0, true, 0, 0}; }
    bool listsWhole() const override { return true; }
    bool hasLocalPaths() const override { return false; }
    std::string whyNoLocalPaths() const override { return textIn("是信息文件", " is an information file"); }
    bool holdsContent() const override { return false; }

private:
    std::string file_;
    mutable uint64_t timeStep_ = 1;  // as the file said when it was read
};

}  // namespace

std::unique_ptr<Side> informationFileSide(const std::string& file)
{
    return std::make_unique<InformationFile>(file);
}

}  // namespace dm
