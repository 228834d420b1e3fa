#pragma once

#include <gtest/gtest.h>

#include <wx/debug.h>
#include <wx/string.h>

// A failed toolkit assertion fails the test instead of opening a dialog.
inline void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                         const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line) << "toolkit assertion in " << func.utf8_string() << ": "
                                          << cond.utf8_string() << " " << msg.utf8_string();
}

inline void FailTestsOnToolkitAsserts()
{
    wxSetAssertHandler(FailOnAssert);
}
