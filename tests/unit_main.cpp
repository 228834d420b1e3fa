#include <gtest/gtest.h>

#include <wx/image.h>
#include <wx/init.h>

namespace {

// A failed toolkit assertion fails the test instead of opening a dialog.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line) << "toolkit assertion in " << func.utf8_string() << ": "
                                          << cond.utf8_string() << " " << msg.utf8_string();
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxInitializer toolkit;
    if (!toolkit.IsOk())
        return 1;
    wxSetAssertHandler(FailOnAssert);
    wxInitAllImageHandlers();
    return RUN_ALL_TESTS();
}
