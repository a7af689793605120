// The spooler of each computer: its printers, answered at level 2 through the
// size-query protocol (EnumPrintersW), and the shell's printer windows
// (SHInvokePrinterCommandW), which open a small queue or properties window
// of the lab's own.
#include "platform/Printing.h"

#include "lab/Gate.h"
#include "lab/Protocol.h"
#include "lab/Schema.h"
#include "lab/Sections.h"
#include "lab/Text.h"

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

struct Printer {
    std::wstring name;
    std::wstring share;
    std::wstring port;
    std::wstring driver;
    std::wstring comment;
    std::wstring location;
    DWORD status = 0;  // PRINTER_STATUS_* bits
    DWORD jobs = 0;
    bool shared = false;
};

struct Spooler {
    std::vector<Printer> printers;
};

void ReadPrinter(const lab::json::Value& value, const std::string& path, Printer& p, lab::Diagnostics& diag) {
    lab::ObjectReader r(value, path, diag);
    r.String("name", p.name, lab::Need::Required);
    r.String("share", p.share);
    r.String("port", p.port);
    r.String("driver", p.driver);
    r.String("comment", p.comment);
    r.String("location", p.location);
    r.Number("status", p.status);
    r.Number("jobs", p.jobs);
    r.Bool("shared", p.shared);
    r.Finish();
}

void ParsePrinters(const lab::json::Value* value, const std::string& path, lab::Computer& computer,
                   lab::Diagnostics& diag) {
    lab::ReadItems(value, path, diag, [&](const lab::json::Value& item, const std::string& itemPath) {
        Printer p;
        ReadPrinter(item, itemPath, p, diag);
        computer.Section<Spooler>().printers.push_back(std::move(p));
    });
}

const lab::SectionRegistration printersSection{lab::ComputerSectionHandler{"printers", &ParsePrinters, nullptr}};

// A remote caller sees "\\SERVER\name"; the local spooler answers the bare name.
std::wstring FullName(const lab::Computer& c, bool remote, const Printer& p) {
    return remote ? L"\\\\" + c.name + L"\\" + p.name : p.name;
}

size_t Chars(const std::wstring& s) { return s.size() + 1; }

size_t RecordBytes(const lab::Computer& c, bool remote, const Printer& p) {
    const size_t chars = (remote ? Chars(L"\\\\" + c.name) : 1) + Chars(FullName(c, remote, p)) + Chars(p.share) +
                         Chars(p.port) + Chars(p.driver) + Chars(p.comment) + Chars(p.location);
    return sizeof(PRINTER_INFO_2W) + chars * sizeof(wchar_t);
}

// Strings go from the end of the buffer downwards, as the spooler lays them out.
wchar_t* PutBack(unsigned char*& end, const std::wstring& s) {
    end -= Chars(s) * sizeof(wchar_t);
    std::memcpy(end, s.c_str(), Chars(s) * sizeof(wchar_t));
    return reinterpret_cast<wchar_t*>(end);
}

}  // namespace

BOOL WINAPI plat::EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                                LPDWORD pcbNeeded, LPDWORD pcReturned) {
    if (!pcbNeeded || !pcReturned) return lab::Fail(RPC_X_NULL_REF_POINTER);
    *pcReturned = 0;
    if (Level != 2) return lab::Fail(ERROR_INVALID_LEVEL);
    const bool remote = (Flags & PRINTER_ENUM_NAME) && Name && *Name;
    lab::Gate gate(remote ? Name : nullptr, lab::Family::Printing, "EnumPrintersW");
    if (gate.Error()) return lab::Fail(gate.Error());
    const lab::Computer& c = gate.Target();
    const Spooler* spooler = c.FindSection<Spooler>();
    const std::vector<Printer> none;
    const std::vector<Printer>& printers = spooler ? spooler->printers : none;
    DWORD needed = 0;
    for (const Printer& p : printers) needed += static_cast<DWORD>(RecordBytes(c, remote, p));
    if (!lab::SizeQuery(pPrinterEnum, cbBuf, needed, pcbNeeded)) {
        return printers.empty() ? TRUE : lab::Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    auto* records = reinterpret_cast<PRINTER_INFO_2W*>(pPrinterEnum);
    unsigned char* end = pPrinterEnum + needed;
    for (size_t i = 0; i < printers.size(); ++i) {
        const Printer& p = printers[i];
        PRINTER_INFO_2W& r = records[i];
        r = PRINTER_INFO_2W{};
        r.pServerName = remote ? PutBack(end, L"\\\\" + c.name) : nullptr;
        r.pPrinterName = PutBack(end, FullName(c, remote, p));
        r.pShareName = PutBack(end, p.share);
        r.pPortName = PutBack(end, p.port);
        r.pDriverName = PutBack(end, p.driver);
        r.pComment = PutBack(end, p.comment);
        r.pLocation = PutBack(end, p.location);
        if (!remote) end -= sizeof(wchar_t);  // the local record keeps the server slot's room
        r.Attributes = (p.shared ? PRINTER_ATTRIBUTE_SHARED : 0) |
                       (remote ? PRINTER_ATTRIBUTE_NETWORK : PRINTER_ATTRIBUTE_LOCAL);
        r.Status = p.status;
        r.cJobs = p.jobs;
    }
    *pcReturned = static_cast<DWORD>(printers.size());
    return TRUE;
}

namespace {

constexpr wchar_t kPrinterWindowClass[] = L"VantrelLabPrinterWindow";

LRESULT CALLBACK PrinterWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE) {
        ::MoveWindow(::GetWindow(window, GW_CHILD), 8, 8, LOWORD(lParam) - 16, HIWORD(lParam) - 16, TRUE);
        return 0;
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// The window lives on a thread of its own, as the shell's do: the caller's
// thread may end while it is open. Returns once the window is shown.
void OpenPrinterWindow(std::wstring title, std::wstring text) {
    HANDLE shown = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread([title = std::move(title), text = std::move(text), shown] {
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSW wc{};
        wc.lpfnWndProc = &PrinterWindowProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kPrinterWindowClass;
        ::RegisterClassW(&wc);  // fails harmlessly once registered
        HWND window = ::CreateWindowExW(0, kPrinterWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 360, 200, nullptr, nullptr, instance, nullptr);
        if (window) {
            HWND label = ::CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 8, 8, 340, 160, window,
                                           nullptr, instance, nullptr);
            ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
            ::ShowWindow(window, SW_SHOWNOACTIVATE);
        }
        ::SetEvent(shown);
        MSG msg;
        while (window && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::CloseHandle(shown);
    }).detach();
    ::WaitForSingleObject(shown, 10000);
}

std::wstring QueueText(const Printer& p) {
    wchar_t status[32];
    std::swprintf(status, 32, L"Status: 0x%08X", static_cast<unsigned>(p.status));
    return std::to_wstring(p.jobs) + (p.jobs == 1 ? L" document" : L" documents") + L" waiting\n" +
           (p.status ? std::wstring(status) : std::wstring(L"Ready"));
}

std::wstring PropertiesText(const Printer& p) {
    return L"Location: " + p.location + L"\nComment: " + p.comment + L"\nModel: " + p.driver + L"\nPort: " + p.port +
           L"\nShared as: " + (p.shared ? p.share : std::wstring(L"(not shared)"));
}

}  // namespace

// The path names a printer as "\\SERVER\name", or by its bare name on the
// local computer; a name with a backslash but no server part is invalid.
BOOL WINAPI plat::SHInvokePrinterCommandW(HWND hwnd, UINT uAction, LPCWSTR lpBuf1, LPCWSTR lpBuf2, BOOL fModal) {
    (void)hwnd, (void)lpBuf2, (void)fModal;  // the lab's windows have no owner: they outlive the caller's thread
    if (!lpBuf1 || !*lpBuf1) return lab::Fail(ERROR_INVALID_PRINTER_NAME);
    if (uAction != PRINTACTION_OPEN && uAction != PRINTACTION_PROPERTIES) return lab::Fail(ERROR_INVALID_PARAMETER);
    const std::wstring path = lpBuf1;
    std::wstring server;
    std::wstring name = path;
    if (path.rfind(L"\\\\", 0) == 0) {
        const size_t slash = path.find(L'\\', 2);
        if (slash == std::wstring::npos) return lab::Fail(ERROR_INVALID_PRINTER_NAME);
        server = path.substr(0, slash);
        name = path.substr(slash + 1);
    }
    if (name.empty() || name.find(L'\\') != std::wstring::npos) return lab::Fail(ERROR_INVALID_PRINTER_NAME);

    std::wstring title;
    std::wstring text;
    {
        lab::Gate gate(server.empty() ? nullptr : server.c_str(), lab::Family::Printing, "SHInvokePrinterCommandW");
        if (gate.Error()) return lab::Fail(gate.Error());
        const Spooler* spooler = gate.Target().FindSection<Spooler>();
        const Printer* printer = nullptr;
        for (size_t i = 0; spooler && i < spooler->printers.size() && !printer; ++i) {
            if (lab::EqualsNoCase(spooler->printers[i].name, name)) printer = &spooler->printers[i];
        }
        if (!printer) return lab::Fail(ERROR_INVALID_PRINTER_NAME);
        const std::wstring shownName = server.empty() ? printer->name : printer->name + L" on " + gate.Target().name;
        title = uAction == PRINTACTION_OPEN ? shownName : printer->name + L" Properties";
        text = uAction == PRINTACTION_OPEN ? QueueText(*printer) : PropertiesText(*printer);
    }
    OpenPrinterWindow(std::move(title), std::move(text));
    return TRUE;
}
