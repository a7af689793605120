#include "wizards/selection/ComputerListPage.h"

#include "common/Bstr.h"
#include "common/ErrorText.h"
#include "common/ResourceText.h"
#include "resources/ServicesIds.h"

#include <commctrl.h>

namespace vantrel {

bool IsRegistryKind(const std::wstring& kind) { return ::lstrcmpiW(kind.c_str(), L"registry") == 0; }

ComputerListPage::ComputerListPage(UINT kindTextId)
    : SelectionListPage(IDD_COMPUTER_LIST, IDS_COMPUTER_LIST_TITLE, IDS_COMPUTER_LIST_SUBTITLE, IDS_SELECT_COMPUTERS),
      kind_(LoadText(kindTextId)) {}

HRESULT ComputerListPage::SetComputers(const VARIANT* value, ULONG initialState) {
    const HRESULT hr = Table().SetComputers(value, initialState);
    sourceRow_ = 0;
    if (Window()) {
        ReloadList();
        ApplySourceMode();
    }
    return hr;
}

BOOL ComputerListPage::OnInitDialog() {
    HWND set = Item(IDC_SELECTION_SET);
    ::SetWindowTextW(set, LoadText(IDS_SET_SOURCE).c_str());
    if (!sourceMode_) {
        // Without a source to name, the list takes the button's and the
        // source line's room.
        RECT list{}, button{}, line{};
        ::GetWindowRect(List(), &list);
        ::GetWindowRect(set, &button);
        ::GetWindowRect(Item(IDC_SELECTION_SOURCE), &line);
        for (RECT* r : {&list, &button, &line}) ::MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(r), 2);
        ::MoveWindow(List(), list.left, list.top, button.right - list.left, line.bottom - list.top, FALSE);
        ::EnableWindow(set, FALSE);
        ::ShowWindow(set, SW_HIDE);
        ::ShowWindow(Item(IDC_SELECTION_SOURCE), SW_HIDE);
    }
    const BOOL result = SelectionListPage::OnInitDialog();
    if (sourceMode_) {
        const int width = ListWidth();
        SetListColumns({{SelectionTable::kNameColumn, width / 3},
                        {SelectionTable::kSourceMarkerColumn, width - width / 3}});
        ApplySourceMode();
    }
    return result;
}

void ComputerListPage::ApplySourceMode() {
    if (!sourceMode_ || !Window()) return;
    HWND list = List();
    if (Table().RowCount() > 0) {
        ListView_SetItemState(list, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        MakeSource(0);
    } else {
        ShowSourceLine();
    }
}

void ComputerListPage::MakeSource(LONG row) {
    Table().SetText(sourceRow_, SelectionTable::kSourceMarkerColumn, nullptr);
    sourceRow_ = row;
    Table().SetText(row, SelectionTable::kSourceMarkerColumn, FormatText(IDS_SOURCE_MARKER, {kind_}).c_str());
    ShowSourceLine();
    RedrawList();
}

void ComputerListPage::ShowSourceLine() {
    ::SetDlgItemTextW(Window(), IDC_SELECTION_SOURCE,
                      FormatText(IDS_SOURCE_COMPUTER_LINE, {kind_, SourceComputer()}).c_str());
}

HRESULT ComputerListPage::ReadSourceComputer(std::wstring& name) const {
    name.clear();
    if (Table().Empty()) RETURN_HR(E_POINTER);
    const VARIANT* cell = Table().Cell(sourceRow_, SelectionTable::kNameColumn);
    if (!cell || cell->vt != VT_BSTR) RETURN_HR(E_FAIL);
    name = BstrText(cell->bstrVal);
    return S_OK;
}

std::wstring ComputerListPage::SourceComputer() const {
    std::wstring name;
    ReadSourceComputer(name);
    return name;
}

void ComputerListPage::SetSourceFromList() {
    const int item = ListView_GetNextItem(List(), -1, LVNI_FOCUSED | LVNI_SELECTED);
    if (item < 0) {
        const UINT text = IsRegistryKind(kind_) ? IDS_PICK_REGISTRY_SOURCE : IDS_PICK_SOURCE_COMPUTER;
        ::MessageBoxW(SheetWindow(), LoadText(text).c_str(), LoadText(IDS_INFORMATION_TITLE).c_str(),
                      MB_ICONINFORMATION);
        return;
    }
    MakeSource(item);
}

void ComputerListPage::OnCommand(UINT id, UINT code, HWND control) {
    if (id == IDC_SELECTION_SET && code == BN_CLICKED) {
        SetSourceFromList();
        return;
    }
    SelectionListPage::OnCommand(id, code, control);
}

void ComputerListPage::OnItemDoubleClick(int item) {
    if (!sourceMode_) return;
    HWND list = List();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, item, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    SetSourceFromList();
}

bool ComputerListPage::CheckNext() {
    if (!sourceMode_) return true;
    std::wstring name;
    const HRESULT hr = ReadSourceComputer(name);
    if (FAILED(hr)) {
        ShowErrorMessage(static_cast<DWORD>(hr), LoadText(IDS_ERROR_TITLE).c_str(),
                         LoadText(IDS_SOURCE_NOT_IDENTIFIED).c_str(), SheetWindow(), MB_ICONERROR);
        return false;
    }
    return true;
}

std::wstring ComputerListPage::SummaryText() const {
    return L"\r\n" + LoadText(IDS_COMPUTERS_SELECTED) + L"\r\n\t" + Table().JoinRows(SelectionMask(), 0, L"\r\n\t");
}

}  // namespace vantrel
