#include "views/GroupMembers.h"

#include "common/ObjectPicker.h"
#include "common/ResourceText.h"
#include "resources/AccountNamesIds.h"
#include "resources/AccountsViewIds.h"
#include "views/AccountRules.h"

#include <objsel.h>

namespace vantrel {
namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The two scopes: the target computer's users and well-known identities,
// and the domains' users and global groups.
const std::vector<PickerScope>& MemberScopes() {
    static const std::vector<PickerScope> scopes = {
        // Target computer; starting scope, down-level built-in path; users and
        // well-known principals; down-level users and all well-known identifiers.
        {0x1, 0x21, 0xA, 0x80020001},
        // Down-level joined, enterprise, global catalogue, external up- and
        // down-level domains; the WinNT provider, built-in path; users and
        // global security groups; down-level users and global groups.
        {0x7C, 0x22, 0x82, 0x80000005},
    };
    return scopes;
}

void ShowSkipped(HWND owner, UINT textId, const std::wstring& name) {
    ::MessageBoxW(owner, FormatText(textId, {name}).c_str(), LoadText(IDS_TITLE_LOCAL_USERS_AND_GROUPS).c_str(),
                  MB_ICONERROR);
}

}  // namespace

bool SameMember(const GroupMember& a, const GroupMember& b) {
    if (!a.sidText.empty() && !b.sidText.empty()) {
        SidBytes x, y;
        if (TextToSid(a.sidText, x) && TextToSid(b.sidText, y)) return ::EqualSid(x.data(), y.data()) != FALSE;
    }
    return SameText(a.computer, b.computer) && SameText(a.displayName, b.displayName);
}

bool MemberList::Add(GroupMember member) {
    for (const GroupMember& entry : entries_) {
        if (SameMember(entry, member)) return false;
    }
    entries_.push_back(std::move(member));
    return true;
}

void MemberList::RemoveAt(size_t index) {
    if (index < entries_.size()) entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
}

HRESULT PickMembers(HWND owner, const std::wstring& computer, MemberList& list) {
    ObjectPicker picker;
    HRESULT hr = picker.Initialize(computer, MemberScopes(), DSOP_FLAG_MULTISELECT);
    if (FAILED(hr)) return hr;
    std::vector<PickedObject> picked;
    hr = picker.Show(owner, &picked);
    if (hr != S_OK) return hr;
    for (const PickedObject& item : picked) {
        if (item.sid.empty()) {
            ShowSkipped(owner, IDS_SID_NOT_RESOLVED, item.name);
            continue;
        }
        std::wstring text;
        SidBytes sid = item.sid;
        if (sid.size() < 8 || !::IsValidSid(sid.data()) || ::GetLengthSid(sid.data()) > sid.size() ||
            !SidToText(sid.data(), text)) {
            ShowSkipped(owner, IDS_SID_NOT_TRANSLATED, item.name);
            continue;
        }
        GroupMember member;
        member.sidText = text;
        member.type = item.objectClass == L"Group" ? SidTypeGroup : item.objectClass == L"User" ? SidTypeUser : 8;
        member.displayName = MemberDisplayName(item.path, item.name);
        member.computer = computer;
        list.Add(std::move(member));
    }
    return S_OK;
}

std::vector<SidBytes> MemberSids(const std::vector<GroupMember>& members) {
    std::vector<SidBytes> sids;
    for (const GroupMember& m : members) {
        SidBytes sid;
        if (TextToSid(m.sidText, sid)) sids.push_back(std::move(sid));
    }
    return sids;
}

}  // namespace vantrel
