#include "views/AccountCommands.h"

#include "common/AccountNames.h"
#include "common/ErrorText.h"
#include "common/ResourceText.h"
#include "resources/AccountNamesIds.h"
#include "resources/AccountsViewIds.h"
#include "views/ResourceView.h"

#include <commctrl.h>

namespace vantrel {

std::vector<SelectedRow> AccountCommand::SelectedRows(bool firstOnly) const {
    std::vector<SelectedRow> rows;
    OnViewThread([&] {
        HWND list = List();
        for (int item = ListView_GetNextItem(list, -1, LVNI_SELECTED); item >= 0;
             item = ListView_GetNextItem(list, item, LVNI_SELECTED)) {
            wchar_t name[257] = {};
            ListView_GetItemText(list, item, 0, name, 257);
            rows.push_back({item, name, ViewRowData(Context().window, item)});
            if (firstOnly) break;
        }
    });
    return rows;
}

std::wstring AccountCommand::RowName(int item) const {
    wchar_t name[257] = {};
    OnViewThread([&] { ListView_GetItemText(List(), item, 0, name, 257); });
    return name;
}

void AccountCommand::RemoveRows(const std::vector<int>& items) const {
    OnViewThread([&] {
        for (auto it = items.rbegin(); it != items.rend(); ++it) DeleteViewRow(Context().window, *it);
    });
}

void AccountCommand::UpdateRow(int item, const std::wstring& label, int image, LPARAM data) const {
    OnViewThread([&] { SetViewRow(Context().window, item, label, image, data); });
}

void AccountCommand::SetCell(int item, int column, const std::wstring& text) const {
    OnViewThread([&] { SetViewCell(Context().window, item, column, text); });
}

int AccountCommand::Show(const std::wstring& text, UINT titleId, UINT style) const {
    return ::MessageBoxW(Context().window, text.c_str(), LoadText(titleId).c_str(), style);
}

int AccountCommand::ShowError(HRESULT code, const std::wstring& context, UINT titleId) const {
    return Show(ComposeErrorMessage(static_cast<DWORD>(code), context.empty() ? nullptr : context.c_str()), titleId,
                MB_ICONERROR);
}

bool AccountCommand::Ask(const std::wstring& question, UINT titleId) const {
    return Show(question, titleId, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

HRESULT DeleteRowsCommand::Execute() {
    const std::vector<SelectedRow> rows = SelectedRows();
    if (rows.empty()) return S_FALSE;
    const bool several = rows.size() > 1;
    const bool yes = several ? Ask(LoadText(texts_.severalQuestion), texts_.severalTitle)
                             : Ask(FormatText(texts_.oneQuestion, {rows.front().name}), texts_.oneTitle);
    if (!yes) return S_OK;
    std::vector<int> deleted;
    for (const SelectedRow& row : rows) {
        const DWORD status = remove_(Server(), row.name.c_str());
        if (status != 0) {
            ShowError(HRESULT_FROM_WIN32(status), several ? FormatText(IDS_DELETE_STOPPED, {row.name}) : L"",
                      IDS_TITLE_ERROR);
            break;
        }
        deleted.push_back(row.item);
    }
    RemoveRows(deleted);
    return S_OK;
}

HRESULT RenameRowCommand::Execute() {
    const int item = Context().editItem;
    const std::wstring& name = Context().editText;
    const std::wstring old = RowName(item);
    if (old.empty()) return S_FALSE;
    DWORD failingField = 0;
    const DWORD status = rename_(Server(), old.c_str(), name.c_str(), &failingField);
    if (status == 0) {
        SetCell(item, 0, name);
    } else if (IsNameRejection(status, &failingField, nameField_)) {
        ShowBadNameMessage(Context().window, name, BadNameRule::Platform);
    } else {
        Show(FormatText(failureId_, {old}) + ComposeErrorMessage(HRESULT_FROM_WIN32(status), nullptr),
             IDS_TITLE_LOCAL_USERS_AND_GROUPS, MB_ICONERROR);
    }
    return S_OK;
}

}  // namespace vantrel
