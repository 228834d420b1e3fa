#include "image/image_page.h"

#include <gtest/gtest.h>

TEST(ImagePageFilter, RefusesImagesUnderFivePixels)
{
    EXPECT_FALSE(AcceptsImageSize(4, 100));
    EXPECT_FALSE(AcceptsImageSize(100, 4));
    EXPECT_FALSE(AcceptsImageSize(0, 0));
    EXPECT_TRUE(AcceptsImageSize(5, 5));
}
