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
#include "public/ViewMessages.h"
#include "bench/FillMeasure.h"

#include <commctrl.h>

#include <cstdio>
#include <vector>

namespace {

using namespace fillbench;

// The rows as the view would write them, read once with the same call.
Rows SessionRows(const wchar_t* computer) {
    const std::wstring days = vantrel::LoadResourceString(IDS_DAYS, 32), yes = vantrel::LoadResourceString(IDS_YES, 32),
                       no = vantrel::LoadResourceString(IDS_NO, 32);
    Rows rows;
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const DWORD sessions = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 10000;
    const int runs = argc > 2 ? _wtoi(argv[2]) : 3;
    BeginBench();
    const std::wstring computer = lab::LocalComputerName();
    LabGenerateSessions(computer.c_str(), sessions, 1);

    HWND view = OpenView(vantrel::SessionsView(), computer.c_str());
    const auto rows = SessionRows(computer.c_str());
    HWND list = ::GetDlgItem(view, IDC_VIEW_LIST);

    std::printf("sessions view fill, %lu sessions, %d runs (visible 900x600 window)\n", static_cast<unsigned long>(sessions), runs);
    std::printf("run  direct-ms  view-ms  ratio  rows  latency-p50-ms  p99-ms  max-ms\n");
    for (int r = 0; r < runs; ++r) {
        const double floor = DirectInsertion(list, rows, 0);
        const Fill fill = ViewFill(view);
        std::printf("%3d  %9.0f  %7.0f  %5.2f  %5d  %14.1f  %6.1f  %6.1f\n", r + 1, floor, fill.ms, fill.ms / floor, fill.rows,
                    fill.p50, fill.p99, fill.max);
    }
    EndBench(view);
    return 0;
}
