#include "tests/support/PeBuilder.h"

#include <cstring>

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
        put32(img, countAt + 4 + 2 * 8 + 4, 0x100);
    }
    const size_t section = opt + optionalSize;
    std::memcpy(&img[section], ".rsrc", 5);
    put32(img, section + 8, 0x200);             // virtual size
    put32(img, section + 12, kRva);             // virtual address
    put32(img, section + 16, 0x200);            // raw size
    put32(img, section + 20, uint32_t(rawAt));  // raw offset

    if (!withResource) return img;
    const size_t r = rawAt;
    // type directory: one id entry, RT_VERSION -> name directory
    put16(img, r + 14, 1);
    put32(img, r + 16, 16);
    put32(img, r + 20, 0x80000000u | 0x18);
    // name directory: id 1 -> language directory
    put16(img, r + 0x18 + 14, 1);
    put32(img, r + 0x18 + 16, 1);
    put32(img, r + 0x18 + 20, 0x80000000u | 0x30);
    // language directory: 0x409 -> data entry
    put16(img, r + 0x30 + 14, 1);
    put32(img, r + 0x30 + 16, 0x409);
    put32(img, r + 0x30 + 20, 0x48);
    // data entry
    put32(img, r + 0x48, kRva + 0x58);
    put32(img, r + 0x48 + 4, 92);
    // VS_VERSIONINFO with its fixed info
    const size_t v = r + 0x58;
    put16(img, v, 92);
    put16(img, v + 2, 52);
    const char* key = "VS_VERSION_INFO";
    for (size_t i = 0; key[i]; ++i) put16(img, v + 6 + 2 * i, uint16_t(key[i]));
    put32(img, v + 40, 0xFEEF04BD);
    put32(img, v + 44, 0x00010000);
    put32(img, v + 48, (uint32_t(a) << 16) | b);
    put32(img, v + 52, (uint32_t(c) << 16) | d);
    return img;
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

}  // namespace dm::test
