#pragma once
// Member lists of the group dialogs: `GroupMember` entries without
// duplicates, and the picker that adds accounts to them.
#include "common/SidValue.h"

#include <windows.h>

#include <string>
#include <vector>

namespace vantrel {

struct GroupMember {
    enum class State { Read, Added };
    std::wstring displayName;  // DOMAIN\name
    std::wstring sidText;      // empty when the identifier is unknown
    DWORD type = SidTypeUnknown;  // 1 user, 2 group, 8 unknown
    std::wstring computer;     // the computer it was picked for
    State state = State::Added;
};

// Equal by identifier when both have one, else by computer and display name
// (without case).
bool SameMember(const GroupMember& a, const GroupMember& b);

class MemberList {
public:
    // False (and nothing added) when an equal entry is there already.
    bool Add(GroupMember member);
    void RemoveAt(size_t index);
    const std::vector<GroupMember>& Entries() const noexcept { return entries_; }
    void Clear() noexcept { entries_.clear(); }

private:
    std::vector<GroupMember> entries_;
};

// The picker over the computer's and the domain's accounts; every chosen item
// with a usable identifier goes into `list`, the others are named in a
// message. Cancelling adds nothing; a picker failure leaves the list alone.
HRESULT PickMembers(HWND owner, const std::wstring& computer, MemberList& list);

// The identifiers of `members` in binary form, for NetLocalGroupAddMembers.
std::vector<SidBytes> MemberSids(const std::vector<GroupMember>& members);

}  // namespace vantrel
