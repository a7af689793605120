#pragma once
// What the view fill benchmarks measure, the same way for every view: the
// floor (the rows inserted straight into the list on this thread with
// redraw off) and the view's own fill from VIEWN_ACTIVATE until its worker
// has ended, while a thread posts stamped messages to a window of this
// thread every 10 ms and the window records how long each one waited.
#include "lab/LabControl.h"
#include "views/ResourceView.h"
#include "public/ViewMessages.h"
#include "resources/ViewsIds.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace fillbench {

using Rows = std::vector<std::vector<std::wstring>>;

inline double Now() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

inline void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// This thread's apartment and list controls, and a lab with nothing in it.
inline void BeginBench() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    LabReset();
}

// The view of `definition` in a visible 900x600 window, pointed at `computer`.
inline HWND OpenView(const vantrel::ViewDefinition& definition, const wchar_t* computer) {
    HWND view = vantrel::CreateResourceView(definition);
    ::SetWindowPos(view, HWND_TOP, 0, 0, 900, 600, SWP_SHOWWINDOW);
    ::SendMessageW(view, vantrel::WM_SETCOMPUTER, 0, reinterpret_cast<LPARAM>(::SysAllocString(computer)));
    Pump();
    return view;
}

// The view closed, what the lab still holds printed, the apartment left.
inline void EndBench(HWND view) {
    ::DestroyWindow(view);
    Pump();
    std::wprintf(L"leaks: %ls\n", lab::LeakReport().c_str());
    ::CoUninitialize();
}

// Milliseconds to insert `rows` (cell 0 the label) and paint once.
inline double DirectInsertion(HWND list, const Rows& rows, int image) {
    ListView_DeleteAllItems(list);
    Pump();
    const double start = Now();
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    int index = 0;
    for (const auto& row : rows) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = index++;
        item.iImage = image;
        item.pszText = const_cast<wchar_t*>(row[0].c_str());
        const int at = ListView_InsertItem(list, &item);
        for (size_t c = 1; c < row.size(); ++c)
            ListView_SetItemText(list, at, static_cast<int>(c), const_cast<wchar_t*>(row[c].c_str()));
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
    ::UpdateWindow(list);
    return Now() - start;
}

inline std::vector<double>& Latencies() {
    static std::vector<double> latencies;
    return latencies;
}

inline LRESULT CALLBACK ProbeProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP) {
        double posted;
        static_assert(sizeof(double) == sizeof(LPARAM));
        std::memcpy(&posted, &lp, sizeof posted);
        Latencies().push_back(Now() - posted);
        return 0;
    }
    return ::DefWindowProcW(w, m, wp, lp);
}

struct Fill {
    double ms;
    double p50, p99, max;
    int rows;
    size_t samples;
};

inline Fill ViewFill(HWND view) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeProc;
    wc.lpszClassName = L"FillProbe";
    ::RegisterClassW(&wc);
    HWND probe = ::CreateWindowW(L"FillProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    Latencies().clear();
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
    ::UpdateWindow(view);
    const double elapsed = Now() - start;
    stop = true;
    poster.join();
    Pump();
    ::DestroyWindow(probe);
    std::vector<double> sorted = Latencies();
    std::sort(sorted.begin(), sorted.end());
    auto at = [&sorted](double q) {
        return sorted.empty() ? 0 : sorted[std::min(sorted.size() - 1, static_cast<size_t>(q * sorted.size()))];
    };
    return Fill{elapsed, at(0.5), at(0.99), sorted.empty() ? 0 : sorted.back(),
                ListView_GetItemCount(::GetDlgItem(view, IDC_VIEW_LIST)), sorted.size()};
}

}  // namespace fillbench
