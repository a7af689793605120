#include "wizards/selection/SelectionListPage.h"

#include "common/Handles.h"
#include "common/ImageLists.h"
#include "common/ModuleState.h"
#include "common/PropertySheetHost.h"
#include "common/ResourceText.h"
#include "resources/SelectionIds.h"
#include "resources/ViewsIds.h"

#include <commctrl.h>


namespace vantrel {

SelectionListPage::SelectionListPage(UINT templateId, UINT titleId, UINT subtitleId, UINT emptySelectionTextId)
    : WizardPage(templateId),
      titleId_(titleId),
      subtitleId_(subtitleId),
      emptySelectionTextId_(emptySelectionTextId),
      listId_(IDC_SELECTION_LIST) {
    SetHeaderTitle(LoadText(titleId_));
    SetHeaderSubtitle(LoadText(subtitleId_));
}

HWND SelectionListPage::OwnerWindow() const noexcept {
    if (Window()) return SheetWindow();
    return Host() ? Host()->Window() : nullptr;
}

BOOL SelectionListPage::OnInitDialog() {
    HWND list = List();
    settingUp_ = true;
    if (checkBoxes_) ListView_SetExtendedListViewStyleEx(list, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    // An owner-data list keeps selection and focus itself; the check boxes
    // (state images) are the table's, asked for when drawn.
    ListView_SetCallbackMask(list, LVIS_STATEIMAGEMASK);
    EnsureImageLists();
    ListView_SetImageList(list, LargeImageList(), LVSIL_NORMAL);
    ListView_SetImageList(list, SmallImageList(), LVSIL_SMALL);
    SetListColumns({{SelectionTable::kNameColumn, ListWidth()}});
    settingUp_ = false;
    ReloadList();
    return TRUE;
}

int SelectionListPage::ListWidth() const {
    RECT client{};
    ::GetClientRect(List(), &client);
    return (client.right - client.left) - ::GetSystemMetrics(SM_CXVSCROLL);
}

void SelectionListPage::SetListColumns(const std::vector<ListColumn>& columns) {
    HWND list = List();
    columns_ = columns;
    while (ListView_DeleteColumn(list, 0)) {
    }
    const std::wstring name = LoadText(IDS_COLUMN_NAME);
    for (size_t i = 0; i < columns_.size(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.cx = columns_[i].width;
        column.pszText = const_cast<wchar_t*>(i == 0 ? name.c_str() : L"");
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(list, static_cast<int>(i), &column);
    }
}

void SelectionListPage::ReloadList() {
    if (!Window()) return;
    ListView_SetItemCountEx(List(), table_.RowCount(), LVSICF_NOINVALIDATEALL);
    RedrawList();
}

void SelectionListPage::RedrawList() {
    if (HWND list = List())
        ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void SelectionListPage::OnGetDisplayInfo(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    const LONG row = item.iItem;
    if (item.mask & LVIF_TEXT && item.pszText && item.cchTextMax > 0) {
        std::wstring text;
        if (item.iSubItem >= 0 && static_cast<size_t>(item.iSubItem) < columns_.size())
            text = table_.Text(row, columns_[static_cast<size_t>(item.iSubItem)].tableColumn);
        ::lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    }
    if (item.mask & LVIF_IMAGE) {
        const VARIANT* image = table_.Cell(row, SelectionTable::kImageColumn);
        item.iImage = image && image->vt == VT_I4 ? image->lVal : -1;
    }
    if (item.mask & LVIF_STATE) item.state = table_.State(row) & item.stateMask;
}

std::vector<int> SelectionListPage::SelectedItems() const {
    std::vector<int> items;
    HWND list = List();
    for (int item = ListView_GetNextItem(list, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(list, item, LVNI_SELECTED))
        items.push_back(item);
    return items;
}

void SelectionListPage::OnStateIconClick(int item) {
    const bool selected = (ListView_GetItemState(List(), item, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    if (selected && checkBoxes_) {
        for (int each : SelectedItems()) table_.SetState(each, ToggledState(table_.State(each)));
    } else {
        table_.SetState(item, ToggledState(table_.State(item)));
    }
    RedrawList();
}

void SelectionListPage::OnListStateChange(int first, int last, UINT newState, UINT oldState) {
    if (settingUp_) return;
    if (first < 0) {
        first = 0;
        last = table_.RowCount() - 1;
    }
    const UINT changed = newState ^ oldState;
    ULONG mask = 0;
    if (changed & LVIS_STATEIMAGEMASK) mask |= LVIS_STATEIMAGEMASK;
    if (changed & LVIS_SELECTED) mask |= LVIS_SELECTED;
    if (!mask) return;
    for (int row = first; row <= last; ++row) table_.SetState(row, (table_.State(row) & ~mask) | (newState & mask));
}

void SelectionListPage::SetSelectedRows(ULONG stateImage) {
    for (int item : SelectedItems()) table_.SetState(item, (table_.State(item) & ~kRowStateImageMask) | stateImage);
    RedrawList();
}

void SelectionListPage::ShowContextMenu(const NMITEMACTIVATE& click) {
    LVHITTESTINFO hit{};
    hit.pt = click.ptAction;
    if (!checkBoxes_ || ListView_HitTest(List(), &hit) < 0) return;
    UniqueMenu menu(::LoadMenuW(module::Instance(), MAKEINTRESOURCEW(IDR_SELECTION_MENU)));
    HMENU popup = menu ? ::GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup) return;
    POINT at = click.ptAction;
    ::ClientToScreen(List(), &at);
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Window(), nullptr);
}

LRESULT SelectionListPage::OnNotify(const NMHDR& header) {
    if (static_cast<int>(header.idFrom) != listId_) return 0;
    switch (header.code) {
        case LVN_GETDISPINFOW:
            OnGetDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
            return 0;
        case NM_CLICK:
        case NM_DBLCLK: {
            const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
            LVHITTESTINFO hit{};
            hit.pt = click.ptAction;
            const int item = ListView_HitTest(List(), &hit);
            if (item < 0) return 0;
            // On the check box alone (a full-row hit reports every part).
            if ((hit.flags & LVHT_ONITEM) == LVHT_ONITEMSTATEICON) {
                if (header.code == NM_CLICK && checkBoxes_) OnStateIconClick(item);
            } else if (header.code == NM_DBLCLK) {
                OnItemDoubleClick(item);
            }
            return 0;
        }
        case NM_RCLICK:
            ShowContextMenu(reinterpret_cast<const NMITEMACTIVATE&>(header));
            return 0;
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if (change.uChanged & LVIF_STATE) OnListStateChange(change.iItem, change.iItem, change.uNewState, change.uOldState);
            return 0;
        }
        case LVN_ODSTATECHANGED: {
            const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
            OnListStateChange(change.iFrom, change.iTo, change.uNewState, change.uOldState);
            return 0;
        }
        default:
            return 0;
    }
}

void SelectionListPage::OnCommand(UINT id, UINT code, HWND control) {
    (void)code, (void)control;
    if (id == ID_SELECTION_CHECK) SetSelectedRows(kRowChecked);
    if (id == ID_SELECTION_UNCHECK) SetSelectedRows(kRowUnchecked);
}

LRESULT SelectionListPage::OnWizardNext() {
    if (table_.Empty() || table_.CollectRows(SelectionMask()).empty()) {
        ::MessageBoxW(SheetWindow(), LoadText(emptySelectionTextId_).c_str(), LoadText(IDS_SELECTION_REQUIRED).c_str(),
                      MB_ICONINFORMATION);
        return -1;
    }
    if (!CheckNext()) return -1;
    return nextHook_ ? nextHook_() : 0;
}

}  // namespace vantrel
