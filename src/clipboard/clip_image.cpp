#include "clipboard/clip_image.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

bool WithinImageLimits(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxImagePixels;
}

Bytes EncodePng(const wxImage& image)
{
    wxLogNull quiet;
    wxMemoryOutputStream out;
    if (!image.IsOk() || !image.SaveFile(out, wxBITMAP_TYPE_PNG))
        return {};
    Bytes bytes(out.GetSize());
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}
