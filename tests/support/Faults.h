// Failures that permission bits cannot provoke when tests run as root, and
// the environment a test may change for a while. Where a machine cannot
// provoke a failure the helpers say so, and the test skips.
#pragma once

#include <optional>
#include <string>

namespace dm::test {

// A file system mounted on the folder by a command (a FUSE program on an
// image, or mount itself) while the object lives; not mounted where the
// command fails here.
class MountedBy {
public:
    MountedBy(std::string folder, const std::string& command);
    ~MountedBy();
    MountedBy(const MountedBy&) = delete;
    MountedBy& operator=(const MountedBy&) = delete;
    bool mounted() const { return mounted_; }

private:
    std::string folder_;
    bool mounted_ = false;
};

// A file system of 64 KiB (memory) mounted on the folder while the object lives.
class SmallDisk : public MountedBy {
public:
    explicit SmallDisk(const std::string& folder);
};

// Makes the item immutable (nothing in or of it may change) or mutable again;
// false when that cannot be done here.
bool setImmutable(const std::string& path, bool immutable);

// Sets the environment variable, or removes it for nothing; returns the old value.
std::optional<std::string> setVariable(const std::string& name, const std::optional<std::string>& value);

}  // namespace dm::test
