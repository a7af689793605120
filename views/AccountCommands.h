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

// Delete of the selected accounts (users or groups) in list order, after the
// question for one or for several; the first failure stops, and the rows
// deleted until then leave the list, last first.
struct DeleteTexts {
    UINT severalQuestion, severalTitle;
    UINT oneQuestion, oneTitle;  // the question has the name for %s
};
using DeleteAccount = unsigned long (*)(const wchar_t* server, const wchar_t* name);

class DeleteRowsCommand final : public AccountCommand {
public:
    DeleteRowsCommand(ViewWorkerContext context, const DeleteTexts& texts, DeleteAccount remove) noexcept
        : AccountCommand(std::move(context)), texts_(texts), remove_(remove) {}

private:
    HRESULT Execute() override;

    DeleteTexts texts_;
    DeleteAccount remove_;
};

// Rename of the edited row: the server's rejection of the name gives the
// bad-name message, another failure the command's sentence (with the old
// name) and the error text; success writes the new name into the row.
using RenameAccount = unsigned long (*)(const wchar_t* server, const wchar_t* name, const wchar_t* newName,
                                        DWORD* failingField);

class RenameRowCommand final : public AccountCommand {
public:
    RenameRowCommand(ViewWorkerContext context, RenameAccount rename, DWORD nameField, UINT failureId) noexcept
        : AccountCommand(std::move(context)), rename_(rename), nameField_(nameField), failureId_(failureId) {}

private:
    HRESULT Execute() override;

    RenameAccount rename_;
    DWORD nameField_;
    UINT failureId_;
};

}  // namespace vantrel
