// The clipboard reader for Windows. It runs on a thread of its own with a
// message-only window that hears the clipboard-update notification, so
// that an owner that is slow to render (or never renders) what it offers
// holds up only this thread, never the window. Snapshots go to the GUI
// thread through the toolkit's event queue, in the order they were read.

#include "platform/clipboard_reader.h"

#include "clipboard/clip_image.h"

#include <wx/app.h>
#include <wx/image.h>

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
    ClipboardReader::Deliver deliver;
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
            return ClipSnapshot::OfText(std::move(*text));
    if (kPng && ::IsClipboardFormatAvailable(kPng))
        if (Bytes png = ReadFormat(kPng); !png.empty())
            return ClipSnapshot::OfImage(std::move(png));
    if (::IsClipboardFormatAvailable(CF_BITMAP) || ::IsClipboardFormatAvailable(CF_DIB))
        if (Bytes png = ReadBitmap(); !png.empty())
            return ClipSnapshot::OfImage(std::move(png));
    return ClipSnapshot::Nothing();
}

class MswClipboardReader : public ClipboardReader
{
public:
    explicit MswClipboardReader(Deliver deliver) : m_delivery(std::make_shared<Delivery>())
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

    ~MswClipboardReader() override { Stop(); }

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

std::unique_ptr<ClipboardReader> ClipboardReader::Create(Deliver deliver)
{
    return std::make_unique<MswClipboardReader>(std::move(deliver));
}
