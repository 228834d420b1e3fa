// Finds a control of a top-level window by what it shows, and prints where
// its middle is on the screen ("x y"), for a test to click it with the
// mouse as a person would. Wine draws the controls inside one X window, so
// the X side can't see them; asking here holds whatever fonts and sizes
// Wine lays the window out with.
//
//   find_control.exe "<window title>" button "<label>"
//   find_control.exe "<window title>" tab <number from 0>
//
// Exits 1, printing nothing, when there is no such window or control.

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

struct Search
{
    std::wstring kind;
    std::wstring label;
    POINT found{};
    bool ok = false;
};

std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[128] = {};
    ::GetClassNameW(window, name, 128);
    return name;
}

// Labels compare without the mnemonic marks the toolkit may add.
std::wstring Plain(const std::wstring& text)
{
    std::wstring plain;
    for (wchar_t c : text)
        if (c != L'&')
            plain += c;
    return plain;
}

// The rectangle of tab `index`, asked of a tab control of another process:
// the message's RECT must lie in that process's memory.
bool TabRect(HWND tabs, int index, RECT& rect)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(tabs, &processId);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process)
        return false;
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT, PAGE_READWRITE);
    bool ok = remote && ::SendMessageW(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote)) &&
              ::ReadProcessMemory(process, remote, &rect, sizeof rect, nullptr);
    if (remote)
        ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ::CloseHandle(process);
    return ok;
}

BOOL CALLBACK Visit(HWND child, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    if (!::IsWindowVisible(child))
        return TRUE;
    const std::wstring type = ClassOf(child);
    RECT rect;
    if (search->kind == L"button" && type == L"Button" && Plain(TextOf(child)) == search->label &&
        ::GetWindowRect(child, &rect))
    {
        search->found = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        search->ok = true;
        return FALSE;
    }
    // The toolkit registers the system's tab control under a name of its own.
    if (search->kind == L"tab" && (type == WC_TABCONTROLW || type.find(L"SysTabCtl32") != std::wstring::npos))
    {
        const int index = std::stoi(search->label);
        if (index < ::SendMessageW(child, TCM_GETITEMCOUNT, 0, 0) && TabRect(child, index, rect))
        {
            search->found = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
            ::ClientToScreen(child, &search->found);
            search->ok = true;
            return FALSE;
        }
    }
    return TRUE;
}

std::wstring Wide(const char* text)
{
    int size = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1)
        ::MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), size);
    return wide;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf(stderr, "usage: find_control TITLE button LABEL | TITLE tab NUMBER\n");
        return 2;
    }
    HWND window = ::FindWindowW(nullptr, Wide(argv[1]).c_str());
    if (!window)
        return 1;
    Search search;
    search.kind = Wide(argv[2]);
    search.label = Wide(argv[3]);
    ::EnumChildWindows(window, Visit, reinterpret_cast<LPARAM>(&search));
    if (!search.ok)
        return 1;
    std::printf("%ld %ld\n", search.found.x, search.found.y);
    return 0;
}
