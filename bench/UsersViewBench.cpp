// How fast the users view fills with 20,000 local users, against the floor of
// inserting the same rows into an ordinary list of the same size and styles
// on the user-interface thread with redraw off (the view's own list is
// owner-data and takes no items), and how quickly that thread answers a
// posted message while the view fills.
//   users_view_bench.exe [users] [runs]
#include "platform/NetManagement.h"  // first: windows.h in the order the seam needs
#include "common/PlatHandles.h"
#include "lab/LabControl.h"
#include "resources/ImageIndex.h"
#include "resources/ViewsIds.h"
#include "views/LocalUsersView.h"
#include "views/ResourceView.h"
#include "public/ViewMessages.h"
#include "bench/FillMeasure.h"

#include <commctrl.h>

#include <cstdio>

namespace {

using namespace fillbench;

// The rows as the view writes them, read once with the same calls.
Rows UserRows(const wchar_t* computer) {
    Rows rows;
    DWORD index = 0, rc = 0;
    do {
        vantrel::UniqueNetBuffer buffer;
        DWORD count = 0;
        rc = plat::NetQueryDisplayInformation(computer, 1, index, 5000, MAX_PREFERRED_LENGTH, &count,
                                              reinterpret_cast<PVOID*>(vantrel::PutNetBuffer(buffer)));
        const auto* u = static_cast<const NET_DISPLAY_USER*>(buffer.Get());
        for (DWORD i = 0; i < count; ++i) rows.push_back({u[i].usri1_name, u[i].usri1_full_name, u[i].usri1_comment});
        if (count) index = u[count - 1].usri1_next_index;
    } while (rc == ERROR_MORE_DATA);
    return rows;
}

// The floor's list: an ordinary list over the view's, with its styles less
// owner-data, its columns and its image list; hidden but while it is measured.
HWND FloorList(HWND view, HWND list) {
    RECT area{};
    ::GetWindowRect(list, &area);
    ::MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&area), 2);
    const DWORD style = static_cast<DWORD>(::GetWindowLongW(list, GWL_STYLE)) & ~(LVS_OWNERDATA | WS_VISIBLE);
    HWND floor = ::CreateWindowExW(0, WC_LISTVIEWW, L"", style | WS_CHILD, area.left, area.top, area.right - area.left,
                                   area.bottom - area.top, view, nullptr, nullptr, nullptr);
    ListView_SetImageList(floor, ListView_GetImageList(list, LVSIL_SMALL), LVSIL_SMALL);
    const int columns = Header_GetItemCount(ListView_GetHeader(list));
    for (int c = 0; c < columns; ++c) {
        wchar_t title[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = title;
        column.cchTextMax = 64;
        ListView_GetColumn(list, c, &column);
        ListView_InsertColumn(floor, c, &column);
    }
    return floor;
}

double Floor(HWND floor, const Rows& rows) {
    ::SetWindowPos(floor, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    const double ms = DirectInsertion(floor, rows, vantrel::IMAGE_USER);
    ::ShowWindow(floor, SW_HIDE);
    ListView_DeleteAllItems(floor);
    Pump();
    return ms;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const DWORD users = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 20000;
    const int runs = argc > 2 ? _wtoi(argv[2]) : 3;
    BeginBench();
    const std::wstring computer = lab::LocalComputerName();
    LabGenerateUsers(computer.c_str(), users, 1);

    HWND view = OpenView(vantrel::LocalUsersView(), computer.c_str());
    const auto rows = UserRows(computer.c_str());
    HWND list = ::GetDlgItem(view, IDC_VIEW_LIST);

    HWND floorList = FloorList(view, list);
    // The first run refreshes a full list: the view is filled once first.
    ViewFill(view);

    std::printf("users view fill, %zu users, %d runs (visible 900x600 window)\n", rows.size(), runs);
    std::printf("run  direct-ms  view-ms  ratio  rows  latency-p50-ms  p99-ms  max-ms  (list)\n");
    for (int r = 0; r < runs; ++r) {
        // Odd runs refresh a full list (the view holds the 20,000 rows of its
        // last fill); even runs fill an empty one.
        const double floor = Floor(floorList, rows);
        const bool empty = r % 2 == 1;
        if (empty) {
            vantrel::ClearViewRows(view);
            Pump();
        }
        const Fill fill = ViewFill(view);
        std::printf("%3d  %9.0f  %7.0f  %5.2f  %5d  %14.1f  %6.1f  %6.1f  %s\n", r + 1, floor, fill.ms, fill.ms / floor,
                    fill.rows, fill.p50, fill.p99, fill.max, empty ? "empty" : "full");
    }
    EndBench(view);
    return 0;
}
