#pragma once

#include "imaging/image_record.h"

#include <gtest/gtest.h>

#include <wx/image.h>
#include <wx/mstream.h>

// Pictures with every pixel different, encoded as other programs offer them.
inline wxImage Picture(int width, int height, unsigned char seed = 0)
{
    wxImage image(width, height);
    unsigned char* data = image.GetData();
    for (int i = 0; i < width * height * 3; ++i)
        data[i] = static_cast<unsigned char>(i * 7 + seed);
    return image;
}

inline Bytes Encode(const wxImage& image, wxBitmapType type)
{
    wxMemoryOutputStream out;
    EXPECT_TRUE(image.SaveFile(out, type));
    Bytes bytes(out.GetSize());
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

inline ClipSnapshot Png(const wxImage& image)
{
    return ClipSnapshot::OfImage(Encode(image, wxBITMAP_TYPE_PNG));
}
