#pragma once
// What the commands of the local users and groups views share: the server
// they address, the selected rows (read on the view's thread), the row
// changes they make there, and their message boxes, owned by the view.
#include "views/ViewWorker.h"

#include <string>
#include <vector>

namespace vantrel {

struct SelectedRow {
    int item = -1;
    std::wstring name;
    LPARAM data = 0;
};

class AccountCommand : public CredentialedCommand {
protected:
    using CredentialedCommand::CredentialedCommand;

    // The computer the account calls go to, as the view names it.
    const wchar_t* Server() const noexcept { return Context().computer.c_str(); }
    // The selected rows in list order (the first only, with `firstOnly`).
    std::vector<SelectedRow> SelectedRows(bool firstOnly = false) const;
    // The label of one row; empty when there is none.
    std::wstring RowName(int item) const;
    // Removes the rows, last first.
    void RemoveRows(const std::vector<int>& items) const;
    // Writes a row's label, and its image and data when `image` is not -1.
    void UpdateRow(int item, const std::wstring& label, int image = -1, LPARAM data = 0) const;
    void SetCell(int item, int column, const std::wstring& text) const;

    int Show(const std::wstring& text, UINT titleId, UINT style) const;
    // The error text of `code` (or "Error 0x%08X occurred"), "\r\n" and the
    // context when there is one.
    int ShowError(HRESULT code, const std::wstring& context, UINT titleId) const;
    // Yes/No with the question icon: true for Yes.
    bool Ask(const std::wstring& question, UINT titleId) const;
};

}  // namespace vantrel
