#include "bench/TreeGen.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "tests/support/PeBuilder.h"

namespace fs = std::filesystem;

namespace dm::bench {

namespace {

constexpr int64_t kBaseTime = 1700000000;

void writeFile(const std::string& path, const std::string& content, int64_t seconds)
{
    std::ofstream(path, std::ios::binary) << content;
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace

void generatePair(const std::string& root, const TreeShape& shape)
{
    std::mt19937 random(shape.seed);
    const std::string a = root + "/A";
    const std::string b = root + "/B";
    fs::remove_all(root);

    // Folders: each one below a random earlier folder that is not too deep.
    std::vector<std::string> folders{""};
    std::vector<int> depth{0};
    while (int(folders.size()) < shape.folders) {
        const size_t parent = random() % folders.size();
        if (depth[parent] >= shape.maxDepth) continue;
        folders.push_back(folders[parent] + "/d" + std::to_string(folders.size()));
        depth.push_back(depth[parent] + 1);
    }
    for (const auto& f : folders) {
        fs::create_directories(a + f);
        fs::create_directories(b + f);
    }

    const std::string pe = test::peWithVersion(1, 2, 3, 4);
    const std::string bare = test::peWithoutVersion();
    for (int i = 0; i < shape.files; ++i) {
        const std::string rel = folders[random() % folders.size()] + "/file" + std::to_string(i) + ".dat";
        std::string content(shape.empty ? 0 : 64 + random() % 1024, char('a' + i % 26));
        if (i < shape.peFiles) content = (i < shape.versioned ? pe : bare) + content;
        const int64_t time = kBaseTime + i;
        writeFile(a + rel, content, time);
        const unsigned roll = random() % 100;
        if (roll < 2) continue;  // missing in B
        if (roll < 5)
            writeFile(b + rel, content + "x", time);  // another size
        else if (roll < 7)
            writeFile(b + rel, content, time + 1);  // another time
        else
            writeFile(b + rel, content, time);
        if (roll >= 98) writeFile(b + rel + ".extra", "extra", time);  // extra in B
    }
}

int64_t countedEntries(const std::string& folder)
{
    int64_t count = 2;
    for (const auto& entry : fs::directory_iterator(folder)) {
        ++count;
        if (entry.is_directory() && !entry.is_symlink()) count += countedEntries(entry.path().string());
    }
    return count;
}

}  // namespace dm::bench
