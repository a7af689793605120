#include "views/RouteDialogs.h"

#include "common/ResourceText.h"
#include "resources/UserPropsIds.h"

#include <commctrl.h>

namespace vantrel {

StaticRoutesDialog::StaticRoutesDialog(std::vector<StaticRoute> routes)
    : Dialog(IDD_STATIC_ROUTES), routes_(std::move(routes)) {}

BOOL StaticRoutesDialog::OnInitDialog() {
    HWND list = Item(IDC_RT_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    RECT client{};
    ::GetClientRect(list, &client);
    const int width = client.right - client.left;
    const struct {
        UINT title;
        int width;
    } columns[] = {{IDS_RT_COLUMN_DESTINATION, width * 2 / 5}, {IDS_RT_COLUMN_MASK, width * 2 / 5},
                   {IDS_RT_COLUMN_METRIC, width / 5}};
    int index = 0;
    for (const auto& c : columns) {
        std::wstring title = LoadText(c.title);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title.data();
        column.cx = c.width;
        ListView_InsertColumn(list, index++, &column);
    }
    for (const StaticRoute& route : routes_) Append(route);
    return TRUE;
}

void StaticRoutesDialog::Append(const StaticRoute& route) {
    HWND list = Item(IDC_RT_LIST);
    std::wstring cells[] = {AddressText(route.destination), AddressText(route.mask), std::to_wstring(route.metric)};
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = cells[0].data();
    const int row = ListView_InsertItem(list, &item);
    ListView_SetItemText(list, row, 1, cells[1].data());
    ListView_SetItemText(list, row, 2, cells[2].data());
    rows_.insert(rows_.begin() + row, route);
}

void StaticRoutesDialog::OnCommand(UINT id, UINT code, HWND control) {
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDC_RT_ADD: {
            AddRouteDialog add;
            if (add.RunModal(Window()) == 1) Append(add.Result());
            break;
        }
        case IDC_RT_DELETE: {
            HWND list = Item(IDC_RT_LIST);
            const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
            if (row < 0) break;
            ListView_DeleteItem(list, row);
            rows_.erase(rows_.begin() + row);
            break;
        }
        case IDOK:
            routes_ = rows_;
            Close(1);
            break;
        case IDCANCEL: Close(2); break;
        default: Dialog::OnCommand(id, code, control); break;
    }
}

AddRouteDialog::AddRouteDialog() : Dialog(IDD_ADD_ROUTE) {}

BOOL AddRouteDialog::OnInitDialog() {
    ::SendDlgItemMessageW(Window(), IDC_RT_METRIC_SPIN, UDM_SETRANGE32, 1, 2147483647);
    ::SetDlgItemTextW(Window(), IDC_RT_METRIC, L"1");
    ::SetFocus(Item(IDC_RT_DESTINATION));
    return FALSE;
}

int AddRouteDialog::Warn(const std::wstring& text, UINT buttons) const {
    return ::MessageBoxW(Window(), text.c_str(), LoadText(IDS_DI_TITLE).c_str(), buttons | MB_ICONWARNING);
}

bool AddRouteDialog::Accept() {
    DWORD mask = 0, destination = 0;
    const bool blank = ::SendDlgItemMessageW(Window(), IDC_RT_MASK, IPM_ISBLANK, 0, 0) != 0;
    ::SendDlgItemMessageW(Window(), IDC_RT_MASK, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&mask));
    if (!IsAcceptableMask(mask, blank)) {
        Warn(LoadText(IDS_RT_BAD_MASK));
        ::SetFocus(Item(IDC_RT_MASK));
        return false;
    }
    ::SendDlgItemMessageW(Window(), IDC_RT_DESTINATION, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&destination));
    const DWORD subnet = SubnetOf(destination, mask);
    if (subnet != destination) {
        const std::wstring s = AddressText(subnet);
        std::wstring question = FormatText(IDS_RT_BAD_SUBNET, {AddressText(destination), AddressText(mask), s, s});
        if (question.size() > 1023) question.resize(1023);  // the text buffer holds 1024 characters
        if (Warn(question, MB_YESNO) != IDYES) return false;
        ::SendDlgItemMessageW(Window(), IDC_RT_DESTINATION, IPM_SETADDRESS, 0, static_cast<LPARAM>(subnet));
        destination = subnet;
    }
    DWORD metric = 0;
    if (!ParseMetric(WindowText(Item(IDC_RT_METRIC)), &metric)) {
        Warn(LoadText(IDS_RT_BAD_METRIC));
        ::SetFocus(Item(IDC_RT_METRIC));
        return false;
    }
    route_ = {destination, mask, metric};
    return true;
}

void AddRouteDialog::OnCommand(UINT id, UINT code, HWND control) {
    if (id == IDOK && code == BN_CLICKED) {
        if (Accept()) Close(1);
        return;
    }
    if (id == IDCANCEL && code == BN_CLICKED) {
        Close(2);
        return;
    }
    Dialog::OnCommand(id, code, control);
}

}  // namespace vantrel
