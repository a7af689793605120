#include "views/GroupDialogs.h"

#include "platform/NetManagement.h"

#include "common/AccountNames.h"
#include "common/ErrorText.h"
#include "common/ImageLists.h"
#include "common/ResourceText.h"
#include "resources/AccountNamesIds.h"
#include "resources/AccountsViewIds.h"
#include "resources/ImageIndex.h"

#include <commctrl.h>

namespace vantrel {

void ShowMemberList(HWND list, const MemberList& members) {
    if (Header_GetItemCount(ListView_GetHeader(list)) == 0) {
        RECT client{};
        ::GetClientRect(list, &client);
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = client.right - client.left;
        ListView_InsertColumn(list, 0, &column);
    }
    ListView_DeleteAllItems(list);
    int row = 0;
    for (const GroupMember& m : members.Entries()) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row++;
        item.pszText = const_cast<wchar_t*>(m.displayName.c_str());
        item.iImage = m.type == SidTypeGroup || m.type == SidTypeWellKnownGroup || m.type == SidTypeAlias ? IMAGE_GROUP
                                                                                                         : IMAGE_USER;
        ListView_InsertItem(list, &item);
    }
}

NewGroupDialog::NewGroupDialog(std::wstring server) : Dialog(IDD_NEW_GROUP), server_(std::move(server)) {}

BOOL NewGroupDialog::OnInitDialog() {
    ::SendDlgItemMessageW(Window(), IDC_GROUP_DESCRIPTION, EM_LIMITTEXT, MAXCOMMENTSZ, 0);
    ListView_SetImageList(Item(IDC_GROUP_MEMBERS), SmallImageList(), LVSIL_SMALL);
    Reset();
    return TRUE;
}

void NewGroupDialog::Reset() {
    ::SetDlgItemTextW(Window(), IDC_GROUP_NAME, L"");
    ::SetDlgItemTextW(Window(), IDC_GROUP_DESCRIPTION, L"");
    members_.Clear();
    ShowMembers();
    ::EnableWindow(Item(IDC_GROUP_REMOVE), FALSE);
    ::EnableWindow(Item(IDC_CREATE), FALSE);
    ::SetFocus(Item(IDC_GROUP_NAME));
}

void NewGroupDialog::ShowMembers() { ShowMemberList(Item(IDC_GROUP_MEMBERS), members_); }

size_t RemoveSelectedMembers(HWND list, MemberList& members) {
    std::vector<int> selected;
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED))
        selected.push_back(i);
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) members.RemoveAt(static_cast<size_t>(*it));
    ShowMemberList(list, members);
    return selected.size();
}

void NewGroupDialog::RemoveSelected() {
    RemoveSelectedMembers(Item(IDC_GROUP_MEMBERS), members_);
    ::EnableWindow(Item(IDC_GROUP_REMOVE), FALSE);
}

LRESULT NewGroupDialog::OnNotify(const NMHDR& header) {
    if (header.idFrom == IDC_GROUP_MEMBERS && header.code == LVN_ITEMCHANGED)
        ::EnableWindow(Item(IDC_GROUP_REMOVE), ListView_GetSelectedCount(header.hwndFrom) > 0);
    return 0;
}

void NewGroupDialog::OnCommand(UINT id, UINT code, HWND control) {
    switch (id) {
        case IDC_GROUP_NAME:
            if (code == EN_CHANGE) ::EnableWindow(Item(IDC_CREATE), ::GetWindowTextLengthW(control) > 0);
            return;
        case IDC_GROUP_ADD:
            if (code == BN_CLICKED && SUCCEEDED(PickMembers(Window(), server_, members_))) ShowMembers();
            return;
        case IDC_GROUP_REMOVE:
            if (code == BN_CLICKED) RemoveSelected();
            return;
        case IDC_CREATE:
            if (code == BN_CLICKED) Create();
            return;
        case IDOK:
            return;
        default:
            Dialog::OnCommand(id, code, control);
    }
}

void NewGroupDialog::Create() {
    const std::wstring name = WindowText(Item(IDC_GROUP_NAME));
    std::wstring description = WindowText(Item(IDC_GROUP_DESCRIPTION));
    LOCALGROUP_INFO_1 info{const_cast<LPWSTR>(name.c_str()), description.data()};
    DWORD failingField = 0;
    const NET_API_STATUS status =
        plat::NetLocalGroupAdd(server_.c_str(), 1, reinterpret_cast<LPBYTE>(&info), &failingField);
    if (status != NERR_Success) {
        if (IsNameRejection(status, &failingField, LOCALGROUP_NAME_PARMNUM))
            ShowBadNameMessage(Window(), name, BadNameRule::Platform);
        else
            ShowErrorMessage(HRESULT_FROM_WIN32(status), LoadText(IDS_TITLE_LOCAL_USERS_AND_GROUPS).c_str(), nullptr,
                             Window(), MB_ICONERROR);
        return;
    }
    ++created_;
    std::vector<SidBytes> sids = MemberSids(members_.Entries());
    if (!sids.empty()) {
        std::vector<LOCALGROUP_MEMBERS_INFO_0> entries;
        for (SidBytes& sid : sids) entries.push_back({sid.data()});
        const NET_API_STATUS added = plat::NetLocalGroupAddMembers(
            server_.c_str(), name.c_str(), 0, reinterpret_cast<LPBYTE>(entries.data()), static_cast<DWORD>(entries.size()));
        if (added != NERR_Success)
            ShowErrorMessage(HRESULT_FROM_WIN32(added), LoadText(IDS_TITLE_LOCAL_USERS_AND_GROUPS).c_str(),
                             LoadText(IDS_MEMBERS_NOT_ADDED).c_str(), Window(), MB_ICONERROR);
    }
    Reset();
}

}  // namespace vantrel
