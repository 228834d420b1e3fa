#include "clipboard/uri_list.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> PercentDecode(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i)
    {
        if (s[i] != '%')
        {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size())
            return std::nullopt;
        int hi = HexValue(s[i + 1]);
        int lo = HexValue(s[i + 2]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        char c = static_cast<char>(hi * 16 + lo);
        if (c == '\0')
            return std::nullopt;  // no path can hold a NUL
        out += c;
        i += 2;
    }
    return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i])
            return false;
    return true;
}

std::optional<std::filesystem::path> FilePathOf(std::string_view uri, std::string_view hostName)
{
    if (!StartsWithNoCase(uri, "file:"))
        return std::nullopt;
    std::string_view rest = uri.substr(5);
    if (rest.substr(0, 2) == "//")
    {
        rest.remove_prefix(2);
        size_t slash = rest.find('/');
        if (slash == std::string_view::npos)
            return std::nullopt;
        std::string_view host = rest.substr(0, slash);
        if (!host.empty() && host != "localhost" && host != hostName)
            return std::nullopt;
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest[0] != '/')
        return std::nullopt;
    // A query or fragment has no place in a file's name.
    if (rest.find_first_of("?#") != std::string_view::npos)
        return std::nullopt;
    std::optional<std::string> path = PercentDecode(rest);
    if (!path)
        return std::nullopt;
    return std::filesystem::path(*path);
}

}  // namespace

std::optional<std::vector<std::filesystem::path>>
ParseFileUriList(std::string_view data, std::string_view hostName)
{
    // Some file managers end the list with a NUL instead of a line break.
    while (!data.empty() && data.back() == '\0')
        data.remove_suffix(1);
    std::vector<std::filesystem::path> paths;
    bool firstLine = true;
    while (!data.empty())
    {
        size_t end = data.find('\n');
        std::string_view line = data.substr(0, end);
        data = end == std::string_view::npos ? std::string_view() : data.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        bool wasFirst = firstLine;
        firstLine = false;
        if (line.empty() || line[0] == '#')
            continue;
        if (wasFirst && (line == "copy" || line == "cut"))
            continue;
        // Control characters have no place in a URI, and a NUL none in a
        // path: such an entry is refused, and the others still count.
        if (std::any_of(line.begin(), line.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
            continue;

        std::optional<std::filesystem::path> path = FilePathOf(line, hostName);
        if (!path)
            return std::nullopt;
        paths.push_back(std::move(*path));
    }
    if (paths.empty())
        return std::nullopt;
    return paths;
}

std::string FileUri(const std::filesystem::path& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path.u8string())
    {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~')
            uri += static_cast<char>(c);
        else
        {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

bool IsCutFileList(std::string_view data)
{
    const std::string_view first = data.substr(0, data.find('\n'));
    return first == "cut" || first == "cut\r";
}
