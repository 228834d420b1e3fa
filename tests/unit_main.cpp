#include "assert_handler.h"

#include <gtest/gtest.h>

#include <wx/image.h>
#include <wx/init.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxInitializer toolkit;
    if (!toolkit.IsOk())
        return 1;
    FailTestsOnToolkitAsserts();
    wxInitAllImageHandlers();
    return RUN_ALL_TESTS();
}
