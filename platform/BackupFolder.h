// The folder that holds a synchronization's backup sets, on B's machine,
// opened so that nothing it does can reach outside it: below B, no component
// of its path is ever a link followed.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace dm::platform {

class BackupFolder {
public:
    BackupFolder();
    ~BackupFolder();
    BackupFolder(const BackupFolder&) = delete;
    BackupFolder& operator=(const BackupFolder&) = delete;

    // Opens `folder`, making what is missing of it. A relative one lies
    // below `root` (folder B), each component opened without following a
    // link; an absolute one is opened as named, its last component no link.
    // 0, or why not, with `at` the path where it stopped (a link's own).
    int open(const std::string& root, const std::string& folder, std::string& at);

    // Its path, as opened.
    const std::string& path() const;
    // Whether it lies on the file system that holds `root`.
    bool onFileSystemOf(const std::string& root) const;

    // The names of the folders it holds.
    std::vector<std::string> folders() const;
    // Removes one of them with all it holds, never following a link; 0 or why not.
    int remove(const std::string& name);
    // Makes a folder that did not exist before, made by this call alone:
    // `name`, else `name-2`, `name-3`… whichever is free; 0 and its name in
    // `made`, or why not.
    int makeFresh(const std::string& name, std::string& made);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace dm::platform
