#pragma once
// The wizards' computer list: every computer the host passed, checked or
// not. In source-computer mode (the wizards that read resources from one
// computer first) the user also names that computer with "Set".
#include "resources/SelectionIds.h"
#include "wizards/selection/SelectionListPage.h"

#include <string>

namespace vantrel {

// Whether the resource kind is the registry's (compared without regard to
// case): the message of "Set" without a chosen computer differs.
bool IsRegistryKind(const std::wstring& kind);

class ComputerListPage : public SelectionListPage {
public:
    // `kindTextId`: the string naming the resources the source computer
    // lists ("Resource", "Registry").
    explicit ComputerListPage(UINT kindTextId = IDS_KIND_RESOURCE);

    // Rebuilds the table (SelectionTable::SetComputers) and the list.
    HRESULT SetComputers(const VARIANT* value, ULONG initialState);

    // Set before the page is shown.
    void SetSourceMode(bool on) noexcept { sourceMode_ = on; }
    bool SourceMode() const noexcept { return sourceMode_; }
    const std::wstring& Kind() const noexcept { return kind_; }

    LONG SourceRow() const noexcept { return sourceRow_; }
    // The source computer's name; empty when it cannot be read.
    std::wstring SourceComputer() const;
    // The same with the reason it cannot: E_POINTER without a table, E_FAIL
    // when the source row has no name.
    HRESULT ReadSourceComputer(std::wstring& name) const;

    // "Set": the focused and selected item becomes the source computer; with
    // none, the user is told to pick one.
    void SetSourceFromList();

    // "\r\nComputers Selected:\r\n\t" and the selected names.
    std::wstring SummaryText() const override;

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    bool CheckNext() override;
    void OnItemDoubleClick(int item) override;

private:
    void ApplySourceMode();
    void MakeSource(LONG row);
    void ShowSourceLine();

    std::wstring kind_;
    bool sourceMode_ = false;
    LONG sourceRow_ = 0;
};

}  // namespace vantrel
