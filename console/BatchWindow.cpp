#include "console/BatchWindow.h"

#include "console/ConsoleIds.h"

#include <commctrl.h>

namespace console {

namespace {

struct Column {
    const wchar_t* title;
    int width;
};
constexpr Column kColumns[] = {{L"Computer", 110}, {L"Service", 110}, {L"Display Name", 160}};

}  // namespace

BatchWindow::BatchWindow(ServiceBatchList& batch, vantrel::ComPtr<IMultiServiceControl> control)
    : Dialog(IDD_SERVICE_BATCH, ::GetModuleHandleW(nullptr)), batch_(batch), control_(std::move(control)) {}

HRESULT BatchWindow::Show(HWND owner) {
    if (!Window()) {
        const HRESULT hr = CreateModeless(owner);
        if (FAILED(hr)) return hr;
    }
    Refill();
    ::ShowWindow(Window(), SW_SHOW);
    return S_OK;
}

BOOL BatchWindow::OnInitDialog() {
    HWND list = Item(IDC_BATCH_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const Column& c : kColumns) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(c.title);
        column.cx = c.width;
        ListView_InsertColumn(list, index++, &column);
    }
    ::CheckDlgButton(Window(), IDC_BATCH_WAIT, BST_CHECKED);
    Refill();
    return TRUE;
}

void BatchWindow::Refill() {
    if (!Window()) return;
    HWND list = Item(IDC_BATCH_LIST);
    ListView_DeleteAllItems(list);
    int row = 0;
    for (const BatchEntry& entry : batch_.Entries()) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(entry.computer.c_str());
        ListView_InsertItem(list, &item);
        ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(entry.service.c_str()));
        ListView_SetItemText(list, row, 2, const_cast<wchar_t*>(entry.displayName.c_str()));
        ++row;
    }
    const std::wstring summary = outcome_.empty() ? batch_.Summary() : batch_.Summary() + L"\r\n" + outcome_;
    ::SetDlgItemTextW(Window(), IDC_BATCH_SUMMARY, summary.c_str());
    UpdateButtons();
}

void BatchWindow::UpdateButtons() {
    const bool any = !batch_.Entries().empty();
    for (const BatchCommand& c : BatchCommands()) ::EnableWindow(Item(c.buttonId), any);
    ::EnableWindow(Item(IDC_BATCH_CLEAR), any);
    ::EnableWindow(Item(IDC_BATCH_REMOVE), ListView_GetSelectedCount(Item(IDC_BATCH_LIST)) > 0);
}

void BatchWindow::RunCommand(const BatchCommand& command) {
    const bool synchronous = ::IsDlgButtonChecked(Window(), IDC_BATCH_WAIT) == BST_CHECKED;
    HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    result_ = control_ ? batch_.Run(*control_.Get(), Window(), command.command, synchronous) : E_POINTER;
    ::SetCursor(previous);
    outcome_ = RunOutcomeText(command.verb, batch_, synchronous, result_);
    Refill();
}

void BatchWindow::RemoveSelected() {
    HWND list = Item(IDC_BATCH_LIST);
    // From the end, so that the indexes still to remove stay valid.
    for (int i = ListView_GetItemCount(list) - 1; i >= 0; --i) {
        if (ListView_GetItemState(list, i, LVIS_SELECTED) & LVIS_SELECTED) batch_.Remove(static_cast<size_t>(i));
    }
    outcome_.clear();
    Refill();
}

void BatchWindow::OnCommand(UINT id, UINT code, HWND control) {
    if (code != BN_CLICKED) return;
    for (const BatchCommand& c : BatchCommands()) {
        if (static_cast<UINT>(c.buttonId) == id) return RunCommand(c);
    }
    switch (id) {
        case IDC_BATCH_REMOVE: RemoveSelected(); return;
        case IDC_BATCH_CLEAR:
            batch_.Clear();
            if (control_) control_->Clear();
            outcome_.clear();
            Refill();
            return;
        case IDCANCEL: ::ShowWindow(Window(), SW_HIDE); return;
        default: Dialog::OnCommand(id, code, control); return;
    }
}

LRESULT BatchWindow::OnNotify(const NMHDR& header) {
    if (header.idFrom == IDC_BATCH_LIST && header.code == LVN_ITEMCHANGED) UpdateButtons();
    return 0;
}

}  // namespace console
