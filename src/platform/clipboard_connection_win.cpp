// The clipboard connection of Windows. It runs on a thread of its own with a
// message-only window that hears the clipboard-update notification, so
// that an owner that is slow to render (or never renders) what it offers
// holds up only this thread, never the window. Snapshots go to the GUI
// thread through the toolkit's event queue, in the order they were read.

#include "platform/clipboard_connection.h"

#include "clipboard/read_plan.h"
#include "imaging/image_codec.h"
#include "imaging/image_format.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <optional>
#include <thread>

namespace {

// Anything larger is not taken from the clipboard at all.
constexpr SIZE_T kMaxBytes = SIZE_T(512) << 20;
constexpr size_t kMaxFiles = 100000;

// Another program may have the clipboard open for a moment when it
// changes: the read is tried again this often, this many times.
constexpr UINT kRetryMilliseconds = 10;
constexpr int kMaxRetries = 100;
constexpr UINT_PTR kRetryTimer = 1;

constexpr const wchar_t kWindowClass[] = L"QuilloryClipboardWatch";

// What the GUI thread alone touches: a snapshot queued before Stop() is
// dropped when it arrives.
struct Delivery
{
    ClipboardConnection::Deliver deliver;
    bool stopped = false;
};

// Formats that say the content is not for clipboard tools to keep (the
// system's password fields and password managers set them).
bool MarkedSecret()
{
    static const UINT kExclude = ::RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
    static const UINT kIgnore = ::RegisterClipboardFormatW(L"Clipboard Viewer Ignore");
    return (kExclude && ::IsClipboardFormatAvailable(kExclude)) || (kIgnore && ::IsClipboardFormatAvailable(kIgnore));
}

// The bytes of one format, bounded; empty when it isn't there or can't be
// rendered.
Bytes ReadFormat(UINT format)
{
    HANDLE data = ::GetClipboardData(format);
    if (!data)
        return {};
    SIZE_T size = ::GlobalSize(data);
    if (size == 0 || size > kMaxBytes)
        return {};
    const void* bytes = ::GlobalLock(data);
    if (!bytes)
        return {};
    Bytes copy(size);
    std::memcpy(copy.data(), bytes, size);
    ::GlobalUnlock(data);
    return copy;
}

std::optional<std::vector<std::filesystem::path>> ReadFiles()
{
    HANDLE data = ::GetClipboardData(CF_HDROP);
    if (!data)
        return std::nullopt;
    auto drop = static_cast<HDROP>(data);
    UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count == 0 || count > kMaxFiles)
        return std::nullopt;
    std::vector<std::filesystem::path> files;
    for (UINT i = 0; i < count; ++i)
    {
        UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0 || length > 32767)
            return std::nullopt;
        std::wstring name(length + 1, L'\0');
        if (::DragQueryFileW(drop, i, name.data(), length + 1) != length)
            return std::nullopt;
        name.resize(length);
        files.emplace_back(std::move(name));
    }
    return files;
}

// CF_UNICODETEXT as UTF-8, up to its terminating NUL; line ends as they
// are. Unpaired surrogates become U+FFFD. Converted straight from the
// clipboard's memory: a large text is not copied on the way.
std::optional<std::string> ReadText()
{
    HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    if (!data)
        return std::nullopt;
    SIZE_T size = ::GlobalSize(data);
    if (size < sizeof(wchar_t) || size > kMaxBytes)
        return std::nullopt;
    const auto* text = static_cast<const wchar_t*>(::GlobalLock(data));
    if (!text)
        return std::nullopt;
    const int units = static_cast<int>(std::find(text, text + size / sizeof(wchar_t), L'\0') - text);
    std::string utf8;
    int bytes = units == 0 ? 0 : ::WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (bytes > 0)
    {
        utf8.resize(static_cast<size_t>(bytes));
        ::WideCharToMultiByte(CP_UTF8, 0, text, units, utf8.data(), bytes, nullptr, nullptr);
    }
    ::GlobalUnlock(data);
    if (units > 0 && bytes <= 0)
        return std::nullopt;
    return utf8;
}

// A bitmap as Windows itself renders it (from whatever DIB form the owner
// gave), as 32-bit pixels, encoded as PNG for the capture thread: the
// owner's bytes are read by the system, never by a parser of our own.
Bytes ReadBitmap()
{
    auto bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    BITMAP info;
    if (!bitmap || ::GetObjectW(bitmap, sizeof info, &info) != sizeof info)
        return {};
    const long long width = info.bmWidth, height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    if (!WithinImageLimits(width, height))
        return {};
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = static_cast<LONG>(width);
    format.bmiHeader.biHeight = -static_cast<LONG>(height);  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<unsigned char> pixels(static_cast<size_t>(width * height * 4));
    HDC screen = ::GetDC(nullptr);
    int rows = ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &format, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (rows != height)
        return {};

    wxImage image(static_cast<int>(width), static_cast<int>(height), false);
    unsigned char* rgb = image.GetData();
    // The fourth byte is alpha only where some program set it; all zero
    // means an opaque picture.
    bool anyAlpha = false;
    for (size_t i = 3; i < pixels.size() && !anyAlpha; i += 4)
        anyAlpha = pixels[i] != 0;
    if (anyAlpha)
        image.InitAlpha();
    unsigned char* alpha = anyAlpha ? image.GetAlpha() : nullptr;
    for (size_t p = 0, count = pixels.size() / 4; p < count; ++p)
    {
        rgb[3 * p] = pixels[4 * p + 2];
        rgb[3 * p + 1] = pixels[4 * p + 1];
        rgb[3 * p + 2] = pixels[4 * p];
        if (alpha)
            alpha[p] = pixels[4 * p + 3];
    }
    return EncodePng(image);
}

// The registered formats an owner put beside what the copy is recorded by
// ("HTML Format", "Rich Text Format", an office program's own), each as
// its bytes, in the owner's order. The standard formats, which Windows
// makes from one another, are not read: they are what is recorded, or
// renderings of it.
ClipForms ReadRegisteredForms()
{
    ClipForms forms;
    std::size_t total = 0;
    for (UINT format = ::EnumClipboardFormats(0); format != 0 && forms.size() < kMaxForms;
         format = ::EnumClipboardFormats(format))
    {
        if (format < 0xC000 || format > 0xFFFF)
            continue;
        wchar_t name[256];
        int length = ::GetClipboardFormatNameW(format, name, 256);
        if (length <= 0)
            continue;
        std::string target;
        int bytes = ::WideCharToMultiByte(CP_UTF8, 0, name, length, nullptr, 0, nullptr, nullptr);
        if (bytes <= 0)
            continue;
        target.resize(static_cast<size_t>(bytes));
        ::WideCharToMultiByte(CP_UTF8, 0, name, length, target.data(), bytes, nullptr, nullptr);
        if (!KeepsForm(target))
            continue;
        HANDLE data = ::GetClipboardData(format);
        SIZE_T size = data ? ::GlobalSize(data) : 0;
        if (size == 0 || size > kFormTransferLimit || total + size > kFormsTransferLimit)
            continue;  // left out; the copy is kept with the rest
        const void* locked = ::GlobalLock(data);
        if (!locked)
            continue;
        std::string copy(static_cast<const char*>(locked), size);
        ::GlobalUnlock(data);
        total += size;
        forms.push_back({std::move(target), {}, MakeSharedText(std::move(copy))});
    }
    return forms;
}

ClipSnapshot WithRegisteredForms(ClipSnapshot snapshot)
{
    snapshot.forms = ReadRegisteredForms();
    return snapshot;
}

ClipSnapshot ReadOpenClipboard()
{
    if (MarkedSecret())
        return ClipSnapshot::Nothing();
    static const UINT kPng = ::RegisterClipboardFormatW(L"PNG");
    // A list of files first: file managers offer text beside it.
    if (::IsClipboardFormatAvailable(CF_HDROP))
        if (auto files = ReadFiles())
            return ClipSnapshot::OfFiles(std::move(*files));
    if (::IsClipboardFormatAvailable(CF_UNICODETEXT))
        if (auto text = ReadText())
            return WithRegisteredForms(ClipSnapshot::OfText(std::move(*text)));
    if (kPng && ::IsClipboardFormatAvailable(kPng))
        if (Bytes png = ReadFormat(kPng); !png.empty())
            return WithRegisteredForms(ClipSnapshot::OfImage(std::move(png)));
    if (::IsClipboardFormatAvailable(CF_BITMAP) || ::IsClipboardFormatAvailable(CF_DIB))
        if (Bytes png = ReadBitmap(); !png.empty())
            return WithRegisteredForms(ClipSnapshot::OfImage(std::move(png)));
    return ClipSnapshot::Nothing();
}

// Putting back: the Win32 clipboard is opened and written from the
// window's thread, and the system keeps what is rendered there.

bool PutOnClipboard(wxDataObject* data)
{
    // Opening it twice is an error of the toolkit's; a second click while
    // the first is still writing simply does nothing.
    if (wxTheClipboard->IsOpened() || !wxTheClipboard->Open())
    {
        delete data;
        return false;
    }
    wxTheClipboard->SetData(data);
    wxTheClipboard->Close();
    return true;
}

wxCustomDataObject* Custom(const wxDataFormat& format, const void* data, size_t size)
{
    auto* object = new wxCustomDataObject(format);
    object->SetData(size, data);
    return object;
}

// Rendered at once and left to the system, so that what was put there
// stays after the program ends (the toolkit would take it away at exit).
bool PutAndKeep(wxDataObject* data)
{
    if (!PutOnClipboard(data))
        return false;
    wxTheClipboard->Flush();
    return true;
}

// The copy's other forms beside the one made here, under the names their
// owner registered.
void AddForms(wxDataObjectComposite* data, const SharedForms& forms)
{
    if (!forms)
        return;
    for (const ClipForm& form : *forms)
        if (form.bytes)
            data->Add(Custom(wxDataFormat(wxString::FromUTF8(form.target.c_str())), form.bytes->data(),
                             form.bytes->size()));
}

bool PutTextNow(SharedText shared, const SharedForms& forms)
{
    if (!shared)
        return false;
    const std::string& bytes = *shared;
    // As UTF-16 made here, so that line ends stay as they were recorded;
    // Windows text ends at its first NUL, so a text holding one is cut
    // there by whoever pastes it.
    std::wstring text;
    if (!bytes.empty())
    {
        int units = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        if (units <= 0)
            return false;
        text.resize(static_cast<size_t>(units));
        ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), units);
    }
    wxCustomDataObject* unicode =
        Custom(wxDataFormat(wxDF_UNICODETEXT), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    if (!forms || forms->empty())
        return PutAndKeep(unicode);
    auto* data = new wxDataObjectComposite();
    data->Add(unicode, true);
    AddForms(data, forms);
    return PutAndKeep(data);
}

bool PutFilesNow(const std::vector<std::filesystem::path>& files)
{
    auto* list = new wxFileDataObject();
    for (const std::filesystem::path& file : files)
        list->AddFile(wxString(file.c_str()));
    // Explorer pastes a copy, never a move, of what is offered so.
    const DWORD copy = DROPEFFECT_COPY;
    auto* data = new wxDataObjectComposite();
    data->Add(list, true);
    data->Add(Custom(wxDataFormat(wxString("Preferred DropEffect")), &copy, sizeof copy));
    return PutAndKeep(data);
}

bool PutPngNow(SharedBytes shared, const SharedForms& forms)
{
    if (!shared)
        return false;
    const Bytes& png = *shared;
    // Programs that take only bitmaps get the pixels, those that take PNG
    // (and keep the transparency) the PNG itself.
    wxImage image;
    {
        wxLogNull quiet;
        wxMemoryInputStream in(png.data(), png.size());
        if (!image.LoadFile(in, wxBITMAP_TYPE_PNG))
            return false;
    }
    // The PNG is the preferred form: the toolkit takes any data object whose
    // preferred form is a bitmap for a bitmap object alone, and a composite
    // so taken crashes it.
    auto* data = new wxDataObjectComposite();
    data->Add(Custom(wxDataFormat(wxString("PNG")), png.data(), png.size()), true);
    data->Add(new wxBitmapDataObject(wxBitmap(image)));
    AddForms(data, forms);
    return PutAndKeep(data);
}

class WinConnection : public ClipboardConnection
{
public:
    explicit WinConnection(Deliver deliver) : m_delivery(std::make_shared<Delivery>())
    {
        m_delivery->deliver = std::move(deliver);
        std::promise<DWORD> started;
        std::future<DWORD> threadId = started.get_future();
        std::shared_ptr<std::promise<void>> finished = std::make_shared<std::promise<void>>();
        m_finished = finished->get_future();
        std::shared_ptr<Delivery> delivery = m_delivery;
        m_thread = std::thread([delivery, finished, started = std::move(started)]() mutable {
            Run(delivery, started);
            finished->set_value();
        });
        m_threadId = threadId.get();
    }

    ~WinConnection() override { Stop(); }

    bool PutText(SharedText text, SharedForms forms) override
    {
        return !m_delivery->stopped && PutTextNow(std::move(text), forms);
    }
    bool PutFiles(const std::vector<std::filesystem::path>& files) override
    {
        return !m_delivery->stopped && PutFilesNow(files);
    }
    bool PutPng(SharedBytes png, SharedForms forms) override
    {
        return !m_delivery->stopped && PutPngNow(std::move(png), forms);
    }

    void Stop() override
    {
        if (m_delivery->stopped)
            return;
        m_delivery->stopped = true;
        if (m_threadId)
            ::PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        // A read held up by an owner that does not render is not waited
        // for: it delivers nothing any more.
        if (m_finished.wait_for(std::chrono::milliseconds(300)) == std::future_status::ready)
            m_thread.join();
        else
            m_thread.detach();
    }

private:
    struct Watch
    {
        std::shared_ptr<Delivery> delivery;
        HWND window = nullptr;
        bool pending = false;
        ChangeTime changedAt;
        int retries = 0;
    };

    static void Run(const std::shared_ptr<Delivery>& delivery, std::promise<DWORD>& started)
    {
        Watch watch;
        watch.delivery = delivery;
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        ::RegisterClassW(&windowClass);  // fails harmlessly the second time
        watch.window = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         windowClass.hInstance, nullptr);
        // The thread's message queue exists before anyone posts to it.
        MSG message;
        ::PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
        started.set_value(::GetCurrentThreadId());
        if (!watch.window)
            return;
        ::SetWindowLongPtrW(watch.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&watch));
        ::AddClipboardFormatListener(watch.window);
        Changed(watch);  // what the clipboard holds now
        while (::GetMessageW(&message, nullptr, 0, 0) > 0)
        {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::RemoveClipboardFormatListener(watch.window);
        ::DestroyWindow(watch.window);
    }

    static void Changed(Watch& watch)
    {
        if (!watch.pending)
            watch.changedAt = std::chrono::steady_clock::now();
        watch.pending = true;
        watch.retries = 0;
        TryRead(watch);
    }

    static void TryRead(Watch& watch)
    {
        // Changes already queued behind this one are read at once, as one.
        MSG later;
        while (::PeekMessageW(&later, watch.window, WM_CLIPBOARDUPDATE, WM_CLIPBOARDUPDATE, PM_REMOVE))
        {
        }
        if (!::OpenClipboard(watch.window))
        {
            if (++watch.retries <= kMaxRetries)
                ::SetTimer(watch.window, kRetryTimer, kRetryMilliseconds, nullptr);
            else
                watch.pending = false;  // held open all along: given up until the next change
            return;
        }
        ::KillTimer(watch.window, kRetryTimer);
        ClipSnapshot snapshot = ReadOpenClipboard();
        ::CloseClipboard();
        snapshot.changedAt = watch.changedAt;
        watch.pending = false;
        std::shared_ptr<Delivery> delivery = watch.delivery;
        if (wxTheApp)
            wxTheApp->CallAfter([delivery, snapshot = std::move(snapshot)]() mutable {
                if (!delivery->stopped && delivery->deliver)
                    delivery->deliver(std::move(snapshot));
            });
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* watch = reinterpret_cast<Watch*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (watch && message == WM_CLIPBOARDUPDATE)
        {
            Changed(*watch);
            return 0;
        }
        if (watch && message == WM_TIMER && wParam == kRetryTimer)
        {
            ::KillTimer(window, kRetryTimer);
            if (watch->pending)
                TryRead(*watch);
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    std::shared_ptr<Delivery> m_delivery;
    std::thread m_thread;
    DWORD m_threadId = 0;
    std::future<void> m_finished;
};

}  // namespace

std::unique_ptr<ClipboardConnection> ClipboardConnection::Open(Deliver deliver)
{
    return std::make_unique<WinConnection>(std::move(deliver));
}
