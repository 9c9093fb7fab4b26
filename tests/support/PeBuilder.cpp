#include "tests/support/PeBuilder.h"

#include <array>
#include <cstring>
#include <vector>

namespace dm::test {

namespace {

void put16(std::string& image, size_t at, uint16_t v)
{
    image[at] = char(v & 0xFF);
    image[at + 1] = char(v >> 8);
}

void put32(std::string& image, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) image[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

constexpr size_t kPeAt = 0x40;
struct VersionEntry {
    uint16_t id;
    std::array<uint16_t, 4> version;
};
void putVersionResources(std::string& img, size_t r, const std::vector<VersionEntry>& entries);
constexpr uint32_t kRva = 0x1000;

std::string image(bool pe32Plus, bool withResource, uint16_t a, uint16_t b, uint16_t c, uint16_t d, size_t rawAt)
{
    const uint16_t optionalSize = pe32Plus ? 240 : 224;
    std::string img(rawAt + 0x200, '\0');
    img[0] = 'M';
    img[1] = 'Z';
    put32(img, 0x3C, kPeAt);
    std::memcpy(&img[kPeAt], "PE\0\0", 4);
    put16(img, kPeAt + 4, pe32Plus ? 0x8664 : 0x14C);
    put16(img, kPeAt + 6, 1);  // one section
    put16(img, kPeAt + 20, optionalSize);
    const size_t opt = kPeAt + 24;
    put16(img, opt, pe32Plus ? 0x20B : 0x10B);
    const size_t countAt = opt + (pe32Plus ? 108 : 92);
    put32(img, countAt, 16);
    if (withResource) {
        put32(img, countAt + 4 + 2 * 8, kRva);
        put32(img, countAt + 4 + 2 * 8 + 4, 0x200);
    }
    const size_t section = opt + optionalSize;
    std::memcpy(&img[section], ".rsrc", 5);
    put32(img, section + 8, 0x200);             // virtual size
    put32(img, section + 12, kRva);             // virtual address
    put32(img, section + 16, 0x200);            // raw size
    put32(img, section + 20, uint32_t(rawAt));  // raw offset

    if (!withResource) return img;
    putVersionResources(img, rawAt, {{1, {a, b, c, d}}});
    return img;
}

// The resource directory at `r`: RT_VERSION, then one name entry per version
// (each with one language and one VS_VERSIONINFO holding the fixed info).
void putVersionResources(std::string& img, size_t r, const std::vector<VersionEntry>& entries)
{
    const size_t n = entries.size();
    // type directory: one id entry, RT_VERSION -> name directory
    put16(img, r + 14, 1);
    put32(img, r + 16, 16);
    put32(img, r + 20, 0x80000000u | 0x18);
    // name directory: one id entry per version -> its language directory
    const size_t names = 0x18;
    put16(img, r + names + 14, uint16_t(n));
    size_t at = names + 16 + 8 * n;
    for (size_t k = 0; k < n; ++k) {
        const size_t lang = at;
        const size_t data = lang + 0x18;
        const size_t v = data + 0x10;
        at = v + 0x60;
        put32(img, r + names + 16 + 8 * k, entries[k].id);
        put32(img, r + names + 20 + 8 * k, 0x80000000u | uint32_t(lang));
        // language directory: 0x409 -> data entry
        put16(img, r + lang + 14, 1);
        put32(img, r + lang + 16, 0x409);
        put32(img, r + lang + 20, uint32_t(data));
        put32(img, r + data, kRva + uint32_t(v));
        put32(img, r + data + 4, 92);
        // VS_VERSIONINFO with its fixed info
        put16(img, r + v, 92);
        put16(img, r + v + 2, 52);
        const char* key = "VS_VERSION_INFO";
        for (size_t i = 0; key[i]; ++i) put16(img, r + v + 6 + 2 * i, uint16_t(key[i]));
        const auto& x = entries[k].version;
        put32(img, r + v + 40, 0xFEEF04BD);
        put32(img, r + v + 44, 0x00010000);
        put32(img, r + v + 48, (uint32_t(x[0]) << 16) | x[1]);
        put32(img, r + v + 52, (uint32_t(x[2]) << 16) | x[3]);
    }
}

}  // namespace

std::string peWithVersion(uint16_t a, uint16_t b, uint16_t c, uint16_t d, bool pe32Plus, size_t resourcesAt)
{
    return image(pe32Plus, true, a, b, c, d, resourcesAt);
}

std::string peWithoutVersion()
{
    return image(false, false, 0, 0, 0, 0, 0x200);
}

std::string peWithVersionIds(std::initializer_list<uint16_t> ids)
{
    std::string img = image(false, true, 0, 0, 0, 0, 0x200);
    img.replace(0x200, 0x200, std::string(0x200, '\0'));  // none of the single version's directory is left
    std::vector<VersionEntry> entries;
    uint16_t k = 0;
    for (const uint16_t id : ids) entries.push_back({id, {++k, 0, 0, id}});
    putVersionResources(img, 0x200, entries);
    return img;
}

}  // namespace dm::test
