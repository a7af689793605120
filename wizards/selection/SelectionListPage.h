#pragma once
// What the computer and resource list pages share: an owner-data list with
// check boxes drawn from a selection table, the check-box rules over
// multiple selections, the Check/Uncheck context menu, and the Next rule
// "something must be selected".
#include "wizards/pages/WizardPage.h"
#include "wizards/selection/SelectionTable.h"

#include <functional>
#include <string>
#include <vector>

namespace vantrel {

class SelectionListPage : public WizardPage {
public:
    SelectionTable& Table() noexcept { return table_; }
    const SelectionTable& Table() const noexcept { return table_; }

    // The state bit that marks a row as part of the selection: checked rows
    // in a list with check boxes, selected rows otherwise.
    ULONG SelectionMask() const noexcept { return checkBoxes_ ? kRowChecked : kRowSelected; }

    // Runs after the page's own Next checks passed; its result is the page's
    // answer to Next (0 moves on, -1 stays, a template id goes there).
    void SetNextHook(std::function<LRESULT()> hook) { nextHook_ = std::move(hook); }

    // The list control (null while the page has no window).
    HWND List() const noexcept { return Item(listId_); }

    // The window the page's messages belong to: the wizard, also while the
    // page itself has not been shown yet.
    HWND OwnerWindow() const noexcept;

protected:
    SelectionListPage(UINT templateId, UINT titleId, UINT subtitleId, UINT emptySelectionTextId);

    BOOL OnInitDialog() override;
    LRESULT OnWizardNext() override;
    LRESULT OnNotify(const NMHDR& header) override;
    void OnCommand(UINT id, UINT code, HWND control) override;

    // Page checks of Next after the selection rule; false keeps the page.
    virtual bool CheckNext() { return true; }
    // A double click on an item (not on its check box).
    virtual void OnItemDoubleClick(int item) { (void)item; }

    // The table columns the list shows, with their widths, left to right.
    struct ListColumn {
        LONG tableColumn;
        int width;
    };
    void SetListColumns(const std::vector<ListColumn>& columns);
    // The list's usable width (client area less a vertical scroll bar).
    int ListWidth() const;

    // Tells the list the table's row count and redraws it.
    void ReloadList();
    void RedrawList();

private:
    void OnGetDisplayInfo(NMLVDISPINFOW& info) const;
    void OnStateIconClick(int item);
    void OnListStateChange(int first, int last, UINT newState, UINT oldState);
    void ShowContextMenu(const NMITEMACTIVATE& click);
    void SetSelectedRows(ULONG stateImage);
    std::vector<int> SelectedItems() const;

    SelectionTable table_;
    UINT titleId_;
    UINT subtitleId_;
    UINT emptySelectionTextId_;
    int listId_;
    bool checkBoxes_ = true;
    // While the list is set up it reports states of its own making (every
    // item unchecked when check boxes are turned on); the table holds.
    bool settingUp_ = false;
    std::vector<ListColumn> columns_;
    std::function<LRESULT()> nextHook_;
};

}  // namespace vantrel
