#pragma once
// The group editor: a property sheet titled "<group> Properties" with the one
// page General (description and members). Run from its worker, whose
// credentials its calls use.
#include "common/PropertyPage.h"
#include "views/GroupMembers.h"

#include <string>

namespace vantrel {

// The members of a group as the server lists them (level 2 batches); a
// failure ends the list silently with what was read.
MemberList ReadGroupMembers(const std::wstring& server, const std::wstring& group);

// The membership changes Apply makes: entries of `initial` missing from
// `current` go, entries of `current` missing from `initial` come.
struct MembershipChanges {
    std::vector<GroupMember> removals;
    std::vector<GroupMember> additions;
};
MembershipChanges ComputeChanges(const MemberList& initial, const MemberList& current);

class GroupGeneralPage final : public PropertyPage {
public:
    GroupGeneralPage(std::wstring server, std::wstring group, std::wstring description, MemberList members);
    // The description as the page left it (after the sheet closed).
    const std::wstring& Description() const noexcept { return description_; }

private:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header) override;
    LRESULT OnApply() override;
    void ShowMembers();
    int Fail(HRESULT code, UINT contextId) const;

    std::wstring server_;
    std::wstring group_;
    std::wstring description_;
    MemberList initial_;
    MemberList current_;
};

// Shows the sheet owned by `owner`; returns the description it ends with.
std::wstring RunGroupEditor(HWND owner, const std::wstring& server, const std::wstring& group,
                            const std::wstring& description);

}  // namespace vantrel
