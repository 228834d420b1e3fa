#pragma once

#include <optional>
#include <string>
#include <string_view>

// The text an owner answered with, as the bytes to record. `type` is the
// answer's type as the owner labelled it. UTF-8 forms and plain text are
// kept byte for byte (line ends, NULs and invalid sequences included);
// STRING, and compound text without escape sequences, are Latin-1 and are
// turned into UTF-8. nullopt for compound text that switches character
// sets, which only the window system can convert.
std::optional<std::string> RecordedText(std::string_view type, std::string_view bytes);
// The same, keeping the bytes themselves where they are recorded as they are.
std::optional<std::string> TakeRecordedText(std::string_view type, std::string&& bytes);

// ISO 8859-1 to UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);

// UTF-8 to ISO 8859-1; nullopt when the bytes are no valid UTF-8 or hold a
// character that Latin-1 lacks.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);
