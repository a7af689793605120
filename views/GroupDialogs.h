#pragma once
// New Group: creates local groups, with the members picked for them, one
// after another until it is closed. Shown from its worker.
#include "common/Dialog.h"
#include "views/GroupMembers.h"

#include <string>

namespace vantrel {

class NewGroupDialog final : public Dialog {
public:
    explicit NewGroupDialog(std::wstring server);
    int Created() const noexcept { return created_; }

private:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header) override;
    void Reset();
    void ShowMembers();
    void RemoveSelected();
    void Create();

    std::wstring server_;
    MemberList members_;
    int created_ = 0;
};

// Fills a one-column member list from `members` (the column as wide as the list).
void ShowMemberList(HWND list, const MemberList& members);
// Takes the entries selected in `list` out of `members` (last first) and
// shows the rest; the number removed.
size_t RemoveSelectedMembers(HWND list, MemberList& members);

}  // namespace vantrel
