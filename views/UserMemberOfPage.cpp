// The Member Of page: the local groups the user belongs to directly, groups
// added through the picker (local groups of the computer only) and removed;
// Apply removes, then adds, one group at a time.
#include "views/UserProperties.h"

#include "platform/NetManagement.h"

#include "common/AccountNames.h"
#include "common/ErrorText.h"
#include "common/ImageLists.h"
#include "common/ObjectPicker.h"
#include "common/PlatHandles.h"
#include "common/ResourceText.h"
#include "resources/AccountNamesIds.h"
#include "resources/UserPropsIds.h"
#include "views/GroupDialogs.h"
#include "views/GroupEditor.h"

#include <commctrl.h>

namespace vantrel {
namespace {

GroupMember GroupEntry(std::wstring name, const std::wstring& server, GroupMember::State state) {
    GroupMember group;
    group.displayName = std::move(name);
    group.computer = server;
    group.type = SidTypeAlias;
    group.state = state;
    return group;
}

// The group's own name: the text after its last '\'.
std::wstring GroupName(const std::wstring& entry) {
    const size_t slash = entry.find_last_of(L'\\');
    return slash == std::wstring::npos ? entry : entry.substr(slash + 1);
}

}  // namespace

UserMemberOfPage::UserMemberOfPage(UserSheet& sheet) : PropertyPage(IDD_USER_MEMBER_OF), sheet_(sheet) {}

BOOL UserMemberOfPage::OnInitDialog() {
    UniqueNetBuffer buffer;
    DWORD read = 0, total = 0;
    const NET_API_STATUS status = plat::NetUserGetLocalGroups(sheet_.server.c_str(), sheet_.row.name.c_str(), 0, 0,
                                                              PutNetBuffer(buffer), MAX_PREFERRED_LENGTH, &read, &total);
    if (status == NERR_Success || status == ERROR_MORE_DATA) {
        const auto* groups = static_cast<const LOCALGROUP_USERS_INFO_0*>(buffer.Get());
        for (DWORD i = 0; groups && i < read; ++i)
            initial_.Add(GroupEntry(groups[i].lgrui0_name, sheet_.server, GroupMember::State::Read));
    }
    current_ = initial_;
    ListView_SetImageList(Item(IDC_UP_GROUPS), SmallImageList(), LVSIL_SMALL);
    ShowGroups();
    ::EnableWindow(Item(IDC_UP_REMOVE), FALSE);
    SetModified(false);
    return TRUE;
}

void UserMemberOfPage::ShowGroups() { ShowMemberList(Item(IDC_UP_GROUPS), current_); }

void UserMemberOfPage::AddGroups() {
    ObjectPicker picker;
    const PickerScope scope{DSOP_SCOPE_TYPE_TARGET_COMPUTER, DSOP_SCOPE_FLAG_STARTING_SCOPE | DSOP_SCOPE_FLAG_WANT_DOWNLEVEL_BUILTIN_PATH,
                            DSOP_FILTER_USERS | DSOP_FILTER_WELL_KNOWN_PRINCIPALS, DSOP_DOWNLEVEL_FILTER_LOCAL_GROUPS};
    if (FAILED(picker.Initialize(sheet_.computer, {scope}, DSOP_FLAG_MULTISELECT, false))) return;
    std::vector<PickedObject> picked;
    if (picker.Show(Window(), &picked) != S_OK) return;
    bool added = false;
    for (const PickedObject& item : picked)
        added |= current_.Add(GroupEntry(LastPathComponent(item.path.empty() ? item.name : item.path), sheet_.server,
                                         GroupMember::State::Added));
    if (!added) return;
    ShowGroups();
    SetModified(true);
}

void UserMemberOfPage::OnCommand(UINT id, UINT code, HWND) {
    if (code != BN_CLICKED) return;
    if (id == IDC_UP_ADD) {
        AddGroups();
    } else if (id == IDC_UP_REMOVE) {
        const size_t removed = RemoveSelectedMembers(Item(IDC_UP_GROUPS), current_);
        ::EnableWindow(Item(IDC_UP_REMOVE), FALSE);
        if (removed) SetModified(true);
    }
}

LRESULT UserMemberOfPage::OnNotify(const NMHDR& header) {
    if (header.idFrom == IDC_UP_GROUPS && header.code == LVN_ITEMCHANGED)
        ::EnableWindow(Item(IDC_UP_REMOVE), ListView_GetSelectedCount(header.hwndFrom) > 0);
    return 0;
}

// Removals first, then additions, one group per call; within each step a
// failure is remembered (the last one is reported) and the loop goes on.
LRESULT UserMemberOfPage::OnApply() {
    if (!IsModified()) return PSNRET_NOERROR;
    const MembershipChanges changes = ComputeChanges(initial_, current_);
    const std::wstring title = LoadText(IDS_TITLE_LOCAL_USERS_AND_GROUPS);
    SidBytes sid;
    if (!changes.removals.empty() || !changes.additions.empty()) {
        if (const HRESULT hr = AccountNameToSid(sheet_.server.c_str(), sheet_.row.name.c_str(), sid); FAILED(hr)) {
            ShowErrorMessage(static_cast<DWORD>(hr), title.c_str(), nullptr, Window(), MB_ICONERROR);
            return PSNRET_INVALID_NOCHANGEPAGE;
        }
    }
    LOCALGROUP_MEMBERS_INFO_0 member{sid.data()};
    const struct {
        const std::vector<GroupMember>& groups;
        decltype(&plat::NetLocalGroupAddMembers) call;
        UINT failureId;
    } steps[] = {
        {changes.removals, &plat::NetLocalGroupDelMembers, IDS_UP_GROUPS_NOT_REMOVED},
        {changes.additions, &plat::NetLocalGroupAddMembers, IDS_UP_GROUPS_NOT_ADDED},
    };
    for (const auto& step : steps) {
        NET_API_STATUS failure = NERR_Success;
        for (const GroupMember& group : step.groups) {
            const NET_API_STATUS status = step.call(sheet_.server.c_str(), GroupName(group.displayName).c_str(), 0,
                                                    reinterpret_cast<LPBYTE>(&member), 1);
            if (status != NERR_Success) failure = status;
        }
        if (failure != NERR_Success) {
            ShowErrorMessage(static_cast<DWORD>(HRESULT_FROM_WIN32(failure)), title.c_str(),
                             LoadText(step.failureId).c_str(), Window(), MB_ICONERROR);
            ::PostMessageW(SheetWindow(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            return PSNRET_INVALID_NOCHANGEPAGE;
        }
    }
    initial_ = current_;
    SetModified(false);
    return PSNRET_NOERROR;
}

}  // namespace vantrel
