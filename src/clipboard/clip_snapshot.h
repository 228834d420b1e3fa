#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Bytes as another program handed them over.
using Bytes = std::vector<unsigned char>;
using SharedBytes = std::shared_ptr<const Bytes>;

// A text's bytes as offered (UTF-8 where the owner kept to it), shared and
// never changed once made: a text record, and what is put back of it.
using SharedText = std::shared_ptr<const std::string>;

inline SharedText MakeSharedText(std::string text)
{
    return std::make_shared<const std::string>(std::move(text));
}

// One form of a copy, as its owner delivered it: the owner's name for it,
// the type its answer was labelled with on X (empty when that is the name
// itself), and its bytes exactly; null bytes for the form the copy is
// recorded by, which is served from the record. Forms of one copy with the
// same bytes share them.
struct ClipForm
{
    std::string target;
    std::string type;
    SharedText bytes;
};
// A copy's other forms, in the order its owner offered them; null or
// empty when it had none worth keeping. Never changed once made, so a
// record and every offer of it share one.
using ClipForms = std::vector<ClipForm>;
using SharedForms = std::shared_ptr<const ClipForms>;

// When the clipboard changed, by the program's own clock.
using ChangeTime = std::chrono::steady_clock::time_point;

// What one completed read of the clipboard found. The clipboard connection
// fills it on its own thread; the capture thread alone interprets it.
struct ClipSnapshot
{
    enum class Kind
    {
        Nothing,  // nothing usable offered, or the read failed
        Text,
        Image,
        Files
    };

    Kind kind = Kind::Nothing;
    std::string text;                          // the text's bytes as offered, for Kind::Text
    Bytes imageData;                           // encoded as offered, for Kind::Image
    std::vector<std::filesystem::path> files;  // local paths as the file system spells them
    bool cut = false;                          // the files were cut, not copied (a file manager's "cut")
    ClipForms forms;                           // beside a text or an image
    ChangeTime changedAt;                      // the earliest change this read answers
    std::uint64_t serial = 0;                  // which of the connection's reads found it (HeldCopy)

    static ClipSnapshot Nothing() { return {}; }
    static ClipSnapshot OfText(std::string bytes)
    {
        ClipSnapshot s;
        s.kind = Kind::Text;
        s.text = std::move(bytes);
        return s;
    }
    static ClipSnapshot OfImage(Bytes data)
    {
        ClipSnapshot s;
        s.kind = Kind::Image;
        s.imageData = std::move(data);
        return s;
    }
    static ClipSnapshot OfFiles(std::vector<std::filesystem::path> paths)
    {
        ClipSnapshot s;
        s.kind = Kind::Files;
        s.files = std::move(paths);
        return s;
    }
};
