#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Decodes a clipboard list of URIs (text/uri-list, or the x-special/
// gnome-copied-files form with its leading "copy" or "cut" line) into local
// paths. Entries end with CRLF, LF, or nothing; NULs at the end of the list
// are ignored. An entry holding a control character is refused alone. The
// result is a file list only when every other entry is a file: URI of this
// machine (no host, "localhost" or `hostName`) with well-formed
// percent-escapes; anything else, an empty list included, gives nullopt so
// that the content is taken as what else it offers (a browser's link stays
// text). Paths keep the escaped bytes exactly, whatever their encoding.
std::optional<std::vector<std::filesystem::path>>
ParseFileUriList(std::string_view data, std::string_view hostName);

// Whether a list in the gnome-copied-files form says its files were cut.
bool IsCutFileList(std::string_view data);

// The file: URI of a local absolute path, every byte that is not plainly
// safe percent-escaped, so any path survives the round trip.
std::string FileUri(const std::filesystem::path& path);
