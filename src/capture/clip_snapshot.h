#pragma once

#include <filesystem>
#include <string>
#include <vector>

// What one completed read of the clipboard found. The platform's reader
// fills it on the GUI thread; the capture thread alone interprets it.
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
    std::string text;                          // UTF-8, for Kind::Text
    std::vector<unsigned char> imageData;      // encoded as offered, for Kind::Image
    std::string imageType;                     // MIME type of imageData
    std::vector<std::filesystem::path> files;  // local paths as the file system spells them

    static ClipSnapshot Nothing() { return {}; }
    static ClipSnapshot OfText(std::string utf8)
    {
        ClipSnapshot s;
        s.kind = Kind::Text;
        s.text = std::move(utf8);
        return s;
    }
    static ClipSnapshot OfImage(std::vector<unsigned char> data, std::string type)
    {
        ClipSnapshot s;
        s.kind = Kind::Image;
        s.imageData = std::move(data);
        s.imageType = std::move(type);
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
