#include "assert_handler.h"
#include "gui_support.h"
#include "platform/clipboard_connection.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/textctrl.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

namespace {

class TestApp : public wxApp
{
public:
    bool OnInit() override { return true; }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);

void Pump(int ms)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do
    {
        wxTheApp->Yield(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < end);
}

std::string RunWhilePumping(const std::string& command)
{
    auto output = std::async(std::launch::async, [command] {
        std::string result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe)
            return result;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.append(buffer, n);
        ::pclose(pipe);
        return result;
    });
    while (output.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        Pump(5);
    return output.get();
}

void Click(wxWindow* window, int id)
{
    wxCommandEvent event(wxEVT_BUTTON, id);
    event.SetEventObject(window->FindWindow(id));
    window->ProcessWindowEvent(event);
}

void Choose(wxWindow* frame, int id)
{
    wxCommandEvent event(wxEVT_MENU, id);
    event.SetEventObject(frame);
    frame->ProcessWindowEvent(event);
}

wxWindow* FindByLabelPrefix(wxWindow* parent, const wxString& prefix)
{
    for (wxWindow* child : parent->GetChildren())
    {
        if (child->GetLabel().StartsWith(prefix))
            return child;
        if (wxWindow* found = FindByLabelPrefix(child, prefix))
            return found;
    }
    return nullptr;
}

namespace {

void CollectTextCtrls(wxWindow* parent, std::vector<wxTextCtrl*>& found)
{
    for (wxWindow* child : parent->GetChildren())
    {
        if (auto* text = dynamic_cast<wxTextCtrl*>(child))
            found.push_back(text);
        CollectTextCtrls(child, found);
    }
}

}  // namespace

wxTextCtrl* FindTextCtrl(wxWindow* parent, int index)
{
    std::vector<wxTextCtrl*> found;
    CollectTextCtrls(parent, found);
    return index < static_cast<int>(found.size()) ? found[index] : nullptr;
}

namespace {

std::unique_ptr<ClipboardConnection> g_clipboard;

}  // namespace

ClipboardConnection* TestClipboard()
{
    return g_clipboard.get();
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
    {
        std::fprintf(stderr, "no display for the window tests\n");
        return 1;
    }
    FailTestsOnToolkitAsserts();
    wxInitAllImageHandlers();
    // The copy buttons put what they copy on the clipboard through a
    // connection, as in the program.
    g_clipboard = ClipboardConnection::Open([](ClipSnapshot) {});
    int result = RUN_ALL_TESTS();
    g_clipboard->Stop();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}

int ExpectMessage::OnInvoked(wxMessageDialog* dialog) const
{
    EXPECT_EQ(dialog->GetCaption(), m_caption);
    EXPECT_EQ(dialog->GetMessage(), m_message);
    return wxID_OK;
}
