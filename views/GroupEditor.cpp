#include "views/GroupEditor.h"

#include "platform/NetManagement.h"

#include "common/ErrorText.h"
#include "common/ImageLists.h"
#include "common/NetEnumeration.h"
#include "common/PropertySheetHost.h"
#include "common/ResourceText.h"
#include "resources/AccountNamesIds.h"
#include "resources/AccountsViewIds.h"
#include "views/GroupDialogs.h"

#include <commctrl.h>

namespace vantrel {
namespace {

bool Contains(const std::vector<GroupMember>& list, const GroupMember& member) {
    for (const GroupMember& m : list) {
        if (SameMember(m, member)) return true;
    }
    return false;
}

// One NetLocalGroupAddMembers or DelMembers call with every identifier.
NET_API_STATUS ChangeMembers(bool add, const std::wstring& server, const std::wstring& group,
                             const std::vector<GroupMember>& members) {
    std::vector<SidBytes> sids = MemberSids(members);
    std::vector<LOCALGROUP_MEMBERS_INFO_0> entries;
    for (SidBytes& sid : sids) entries.push_back({sid.data()});
    auto call = add ? plat::NetLocalGroupAddMembers : plat::NetLocalGroupDelMembers;
    return call(server.c_str(), group.c_str(), 0, reinterpret_cast<LPBYTE>(entries.data()),
                static_cast<DWORD>(entries.size()));
}

}  // namespace

MemberList ReadGroupMembers(const std::wstring& server, const std::wstring& group) {
    MemberList members;
    auto batch = [&](LPBYTE* buffer, DWORD* read, DWORD* total, DWORD_PTR* resume) {
        return plat::NetLocalGroupGetMembers(server.c_str(), group.c_str(), 2, buffer, MAX_PREFERRED_LENGTH, read, total,
                                             resume);
    };
    EnumerateNetBatches<LOCALGROUP_MEMBERS_INFO_2, DWORD_PTR>(batch, [&](const LOCALGROUP_MEMBERS_INFO_2* m, DWORD n) {
        for (DWORD i = 0; i < n; ++i) {
            GroupMember member;
            SidToText(m[i].lgrmi2_sid, member.sidText);
            member.type = m[i].lgrmi2_sidusage;
            member.displayName = m[i].lgrmi2_domainandname;
            member.computer = server;
            member.state = GroupMember::State::Read;
            members.Add(std::move(member));
        }
        return true;
    });
    return members;
}

MembershipChanges ComputeChanges(const MemberList& initial, const MemberList& current) {
    MembershipChanges changes;
    for (const GroupMember& m : initial.Entries()) {
        if (!Contains(current.Entries(), m)) changes.removals.push_back(m);
    }
    for (const GroupMember& m : current.Entries()) {
        if (!Contains(initial.Entries(), m)) changes.additions.push_back(m);
    }
    return changes;
}

GroupGeneralPage::GroupGeneralPage(std::wstring server, std::wstring group, std::wstring description,
                                   MemberList members)
    : PropertyPage(IDD_GROUP_GENERAL),
      server_(std::move(server)),
      group_(std::move(group)),
      description_(std::move(description)),
      initial_(members),
      current_(std::move(members)) {}

BOOL GroupGeneralPage::OnInitDialog() {
    ::SetDlgItemTextW(Window(), IDC_GROUP_TITLE, group_.c_str());
    ::SendDlgItemMessageW(Window(), IDC_GROUP_DESCRIPTION, EM_LIMITTEXT, MAXCOMMENTSZ, 0);
    ::SetDlgItemTextW(Window(), IDC_GROUP_DESCRIPTION, description_.c_str());
    ListView_SetImageList(Item(IDC_GROUP_MEMBERS), SmallImageList(), LVSIL_SMALL);
    ShowMembers();
    ::EnableWindow(Item(IDC_GROUP_REMOVE), FALSE);
    SetModified(false);
    // The sheet selects the whole description when it focuses the page;
    // show it from its start, unselected, as a text to read.
    ::PostMessageW(Item(IDC_GROUP_DESCRIPTION), EM_SETSEL, 0, 0);
    return TRUE;
}

void GroupGeneralPage::ShowMembers() { ShowMemberList(Item(IDC_GROUP_MEMBERS), current_); }

void GroupGeneralPage::OnCommand(UINT id, UINT code, HWND) {
    if (id == IDC_GROUP_DESCRIPTION && code == EN_CHANGE) {
        SetModified(true);
    } else if (id == IDC_GROUP_ADD && code == BN_CLICKED) {
        const size_t before = current_.Entries().size();
        if (SUCCEEDED(PickMembers(Window(), server_, current_)) && current_.Entries().size() != before) {
            ShowMembers();
            SetModified(true);
        }
    } else if (id == IDC_GROUP_REMOVE && code == BN_CLICKED) {
        const size_t removed = RemoveSelectedMembers(Item(IDC_GROUP_MEMBERS), current_);
        ::EnableWindow(Item(IDC_GROUP_REMOVE), FALSE);
        if (removed) SetModified(true);
    }
}

LRESULT GroupGeneralPage::OnNotify(const NMHDR& header) {
    if (header.idFrom == IDC_GROUP_MEMBERS && header.code == LVN_ITEMCHANGED)
        ::EnableWindow(Item(IDC_GROUP_REMOVE), ListView_GetSelectedCount(header.hwndFrom) > 0);
    return 0;
}

int GroupGeneralPage::Fail(HRESULT code, UINT contextId) const {
    return ShowErrorMessage(static_cast<DWORD>(code), LoadText(IDS_TITLE_LOCAL_USERS_AND_GROUPS).c_str(),
                            LoadText(contextId).c_str(), Window(), MB_ICONERROR);
}

// Description first; then the removals, whose failure cancels the sheet;
// then the additions.
LRESULT GroupGeneralPage::OnApply() {
    if (!IsModified()) return PSNRET_NOERROR;
    std::wstring description = WindowText(Item(IDC_GROUP_DESCRIPTION));
    LOCALGROUP_INFO_1 info{const_cast<LPWSTR>(group_.c_str()), description.data()};
    NET_API_STATUS status = plat::NetLocalGroupSetInfo(server_.c_str(), group_.c_str(), 1, reinterpret_cast<LPBYTE>(&info), nullptr);
    if (status != NERR_Success) {
        Fail(HRESULT_FROM_WIN32(status), IDS_GROUP_NOT_MODIFIED);
        return PSNRET_INVALID_NOCHANGEPAGE;
    }
    description_ = description;
    const MembershipChanges changes = ComputeChanges(initial_, current_);
    if (!changes.removals.empty()) {
        status = ChangeMembers(false, server_, group_, changes.removals);
        if (status != NERR_Success) {
            Fail(HRESULT_FROM_WIN32(status), IDS_MEMBERS_NOT_REMOVED);
            ::PostMessageW(SheetWindow(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            return PSNRET_INVALID_NOCHANGEPAGE;
        }
    }
    if (!changes.additions.empty()) {
        status = ChangeMembers(true, server_, group_, changes.additions);
        if (status != NERR_Success) {
            Fail(HRESULT_FROM_WIN32(status), IDS_MEMBERS_NOT_ADDED);
            return PSNRET_INVALID_NOCHANGEPAGE;
        }
    }
    initial_ = current_;
    SetModified(false);
    return PSNRET_NOERROR;
}

std::wstring RunGroupEditor(HWND owner, const std::wstring& server, const std::wstring& group,
                            const std::wstring& description) {
    GroupGeneralPage page(server, group, description, ReadGroupMembers(server, group));
    PropertySheetHost sheet(owner, 0, 0);
    sheet.SetCaption(FormatText(IDS_GROUP_PROPERTIES, {group}));
    if (FAILED(sheet.AddPage(page))) return description;
    sheet.Run();
    return page.Description();
}

}  // namespace vantrel
