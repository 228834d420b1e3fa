#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A text box cannot lay out tens of megabytes without freezing the window,
// and its line breaking takes time that grows with the square of a run
// without blanks. So a preview shows at most kPreviewLimit bytes of a
// record, and stops where a run without blanks grows past kPreviewRunLimit;
// it is cut at a character boundary.
constexpr size_t kPreviewLimit = 256 * 1024;
constexpr size_t kPreviewRunLimit = 4 * 1024;

std::string_view PreviewPart(const std::string& text, size_t limit = kPreviewLimit,
                             size_t runLimit = kPreviewRunLimit);

// The bytes as a text box can show them: valid UTF-8 in which every byte
// that is no part of a well-formed character becomes U+FFFD and a NUL
// becomes U+2400, so that nothing of the record is silently dropped.
std::string ReadableText(std::string_view bytes);
