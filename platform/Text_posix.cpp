#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Text.h"

namespace dm::platform {

namespace {
char upperByte(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
}  // namespace

std::string upperCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = upperByte(c);
    return out;
}

bool endsWithSeparator(std::string_view text)
{
    // In UTF-8 the separator byte never occurs inside a multi-byte character,
    // so the last byte is the last whole character's test.
    return !text.empty() && text.back() == kSeparator;
}

std::string_view lastComponent(std::string_view path)
{
    // memrchr: the C library's search, many bytes a step (every node's name is found this way).
    if (path.empty()) return path;
    const auto* separator = static_cast<const char*>(memrchr(path.data(), kSeparator, path.size()));
    return separator ? path.substr(size_t(separator - path.data()) + 1) : path;
}

bool listingOrderLess(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ua = static_cast<unsigned char>(upperByte(a[i]));
        const auto ub = static_cast<unsigned char>(upperByte(b[i]));
        if (ua != ub) return ua < ub;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

std::string toUtf8(std::string_view text)
{
    return std::string(text);
}

std::string fromUtf8(std::string_view text)
{
    return std::string(text);
}

unsigned programCodePage()
{
    return kUtf8CodePage;
}

unsigned legacyCodePage()
{
    return 0;
}

namespace {

// Converts between encodings iconv names; false on any byte it cannot carry over.
bool convert(std::string_view in, const std::string& from, const std::string& to, std::string& out)
{
    const iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == iconv_t(-1)) return false;
    out.assign(in.size() * 2 + 16, '\0');
    char* source = const_cast<char*>(in.data());
    size_t sourceLeft = in.size();
    char* target = out.data();
    size_t targetLeft = out.size();
    bool ok = true;
    while (sourceLeft > 0) {
        if (iconv(cd, &source, &sourceLeft, &target, &targetLeft) != size_t(-1)) continue;
        if (errno != E2BIG) {
            ok = false;
            break;
        }
        const size_t used = size_t(target - out.data());
        out.resize(out.size() * 2);
        target = out.data() + used;
        targetLeft = out.size() - used;
    }
    ok = ok && iconv(cd, nullptr, nullptr, &target, &targetLeft) != size_t(-1);
    iconv_close(cd);
    out.resize(size_t(target - out.data()));
    return ok;
}

// The iconv name of a Windows code page; 936's text is read as GB 18030, its superset.
std::string charsetOf(unsigned codePage)
{
    if (codePage == kUtf8CodePage) return "UTF-8";
    if (codePage == 936) return "GB18030";
    return "CP" + std::to_string(codePage);
}

}  // namespace

bool encodeText(std::string_view text, unsigned codePage, std::string& bytes)
{
    if (codePage == kUtf8CodePage) {
        bytes.assign(text);
        return isUtf8(text);
    }
    return convert(text, "UTF-8", charsetOf(codePage), bytes);
}

bool decodeText(std::string_view bytes, unsigned codePage, std::string& text)
{
    if (codePage == kUtf8CodePage) {
        text.assign(bytes);
        return isUtf8(bytes);
    }
    return convert(bytes, charsetOf(codePage), "UTF-8", text);
}

}  // namespace dm::platform
