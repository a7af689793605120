// How fast a sessions view fills with 10,000 sessions, against the floor of
// inserting the same rows into the same list on the user-interface thread
// with redraw off, and how quickly the user-interface thread answers a
// posted message while the view fills.
//   view_fill_bench.exe [sessions] [runs]
#include "platform/NetManagement.h"  // first: windows.h in the order the seam needs
#include "common/PlatHandles.h"
#include "common/ResourceText.h"
#include "lab/LabControl.h"
#include "resources/ViewsIds.h"
#include "views/ResourceView.h"
#include "views/RowText.h"
#include "views/SessionsView.h"
#include "views/ViewMessages.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

double Now() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// The rows as the view would write them, read once with the same call.
std::vector<std::vector<std::wstring>> SessionRows(const wchar_t* computer) {
    const std::wstring days = vantrel::LoadResourceString(IDS_DAYS, 32), yes = vantrel::LoadResourceString(IDS_YES, 32),
                       no = vantrel::LoadResourceString(IDS_NO, 32);
    std::vector<std::vector<std::wstring>> rows;
    DWORD resume = 0, rc = 0;
    do {
        vantrel::UniqueNetBuffer buffer;
        DWORD read = 0, total = 0;
        rc = plat::NetSessionEnum(const_cast<LMSTR>(computer), nullptr, nullptr, 2, vantrel::PutNetBuffer(buffer),
                                  MAX_PREFERRED_LENGTH, &read, &total, &resume);
        const auto* s = static_cast<const SESSION_INFO_2*>(buffer.Get());
        for (DWORD i = 0; i < read; ++i) {
            rows.push_back({s[i].sesi2_username, s[i].sesi2_cname, s[i].sesi2_cltype_name, std::to_wstring(s[i].sesi2_num_opens),
                            vantrel::DurationText(s[i].sesi2_time, days), vantrel::DurationText(s[i].sesi2_idle_time, days),
                            vantrel::GuestText(s[i].sesi2_user_flags, yes, no)});
        }
    } while (rc == ERROR_MORE_DATA);
    return rows;
}

double DirectInsertion(HWND list, const std::vector<std::vector<std::wstring>>& rows) {
    ListView_DeleteAllItems(list);
    Pump();
    const double start = Now();
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    int index = 0;
    for (const auto& row : rows) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = index++;
        item.pszText = const_cast<wchar_t*>(row[0].c_str());
        const int at = ListView_InsertItem(list, &item);
        for (int c = 1; c < 7; ++c) ListView_SetItemText(list, at, c, const_cast<wchar_t*>(row[c].c_str()));
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
    ::UpdateWindow(list);
    return Now() - start;
}

// Posts a stamped message to the probe window every 10 ms; the window
// records how long each one waited.
std::vector<double> g_latencies;
LRESULT CALLBACK ProbeProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP) {
        double posted;
        static_assert(sizeof(double) == sizeof(LPARAM));
        std::memcpy(&posted, &lp, sizeof posted);
        g_latencies.push_back(Now() - posted);
        return 0;
    }
    return ::DefWindowProcW(w, m, wp, lp);
}

struct Fill {
    double ms;
    double p50, p99, max;
    int rows;
};

Fill ViewFill(HWND view) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeProc;
    wc.lpszClassName = L"FillProbe";
    ::RegisterClassW(&wc);
    HWND probe = ::CreateWindowW(L"FillProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    g_latencies.clear();
    std::atomic<bool> stop{false};
    std::thread poster([&] {
        while (!stop) {
            const double now = Now();
            LPARAM stamp;
            std::memcpy(&stamp, &now, sizeof stamp);
            ::PostMessageW(probe, WM_APP, 0, stamp);
            ::Sleep(10);
        }
    });
    vantrel::NMVIEWACTIVATE activate{};
    activate.hdr.hwndFrom = view;
    activate.hdr.code = vantrel::VIEWN_ACTIVATE;
    activate.force = 1;
    const double start = Now();
    ::SendMessageW(view, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&activate));
    for (;;) {
        const vantrel::ViewContext* context = vantrel::FindViewContext(view);
        if (!context->worker || context->worker->IsRunning(0) != S_OK) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        Pump();
    }
    Pump();
    const double elapsed = Now() - start;
    stop = true;
    poster.join();
    Pump();
    ::DestroyWindow(probe);
    std::vector<double> sorted = g_latencies;
    std::sort(sorted.begin(), sorted.end());
    auto at = [&sorted](double q) { return sorted.empty() ? 0 : sorted[std::min(sorted.size() - 1, static_cast<size_t>(q * sorted.size()))]; };
    return Fill{elapsed, at(0.5), at(0.99), sorted.empty() ? 0 : sorted.back(), ListView_GetItemCount(::GetDlgItem(view, IDC_VIEW_LIST))};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const DWORD sessions = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 10000;
    const int runs = argc > 2 ? _wtoi(argv[2]) : 3;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    LabReset();
    const std::wstring computer = lab::LocalComputerName();
    LabGenerateSessions(computer.c_str(), sessions, 1);

    HWND view = vantrel::CreateResourceView(vantrel::SessionsView());
    ::SetWindowPos(view, HWND_TOP, 0, 0, 900, 600, SWP_SHOWWINDOW);
    ::SendMessageW(view, vantrel::WM_SETCOMPUTER, 0, reinterpret_cast<LPARAM>(::SysAllocString(computer.c_str())));
    Pump();
    const auto rows = SessionRows(computer.c_str());
    HWND list = ::GetDlgItem(view, IDC_VIEW_LIST);

    std::printf("sessions view fill, %lu sessions, %d runs (visible 900x600 window)\n", static_cast<unsigned long>(sessions), runs);
    std::printf("run  direct-ms  view-ms  ratio  rows  latency-p50-ms  p99-ms  max-ms\n");
    for (int r = 0; r < runs; ++r) {
        const double floor = DirectInsertion(list, rows);
        const Fill fill = ViewFill(view);
        std::printf("%3d  %9.0f  %7.0f  %5.2f  %5d  %14.1f  %6.1f  %6.1f\n", r + 1, floor, fill.ms, fill.ms / floor, fill.rows,
                    fill.p50, fill.p99, fill.max);
    }
    ::DestroyWindow(view);
    Pump();
    std::wprintf(L"leaks: %ls\n", lab::LeakReport().c_str());
    ::CoUninitialize();
    return 0;
}
