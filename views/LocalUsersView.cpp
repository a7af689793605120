#include "views/LocalUsersView.h"

#include "platform/NetManagement.h"

#include "common/AccountNames.h"
#include "common/ErrorText.h"
#include "common/PlatHandles.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "resources/AccountNamesIds.h"
#include "resources/AccountsViewIds.h"
#include "resources/ImageIndex.h"
#include "resources/ViewsIds.h"
#include "views/AccountCommands.h"
#include "views/AccountRules.h"
#include "views/ResourceView.h"
#include "views/UserDialogs.h"
#include "views/UserProperties.h"

#include <commctrl.h>

#include <new>

namespace vantrel {
namespace {

constexpr DWORD kEntriesWanted = 5000;

int ImageFor(DWORD flags) noexcept { return (flags & UF_ACCOUNTDISABLE) ? IMAGE_DISABLED_USER : IMAGE_USER; }

// Lists the accounts in display-information batches; each batch after the
// first starts at the next index of the previous batch's last entry. A row's
// item data is the account's flags.
class UsersEnumeration final : public EnumerationWorker {
public:
    explicit UsersEnumeration(ViewWorkerContext context) noexcept : EnumerationWorker(std::move(context)) {}

private:
    UINT FailureSentenceId() const noexcept override { return IDS_USERS_NOT_ENUMERATED; }

    HRESULT Enumerate(ListWriter& rows) override {
        DWORD index = 0;
        int row = 0;
        for (;;) {
            if (Stopping()) return S_FALSE;
            UniqueNetBuffer buffer;
            DWORD count = 0;
            const NET_API_STATUS status =
                plat::NetQueryDisplayInformation(Context().computer.c_str(), 1, index, kEntriesWanted,
                                                 MAX_PREFERRED_LENGTH, &count,
                                                 reinterpret_cast<PVOID*>(PutNetBuffer(buffer)));
            if (status != NERR_Success && status != ERROR_MORE_DATA) RETURN_WIN32(status);
            const auto* users = static_cast<const NET_DISPLAY_USER*>(buffer.Get());
            for (DWORD i = 0; i < count; ++i, ++row) {
                const NET_DISPLAY_USER& u = users[i];
                const int item = rows.Insert(row, u.usri1_name, ImageFor(u.usri1_flags), u.usri1_flags);
                rows.SetText(item, 1, u.usri1_full_name);
                rows.SetText(item, 2, u.usri1_comment);
            }
            if (status == NERR_Success) return S_OK;
            if (count == 0) RETURN_WIN32(ERROR_MORE_DATA);  // more, but no way on
            index = users[count - 1].usri1_next_index;
        }
    }
};

class NewUserWorker final : public AccountCommand {
public:
    explicit NewUserWorker(ViewWorkerContext context) noexcept : AccountCommand(std::move(context)) {}

private:
    HRESULT Execute() override {
        NewUserDialog dialog(Context().computer);
        dialog.RunModal(Context().window);
        // The list takes the new accounts from a fresh enumeration.
        ::PostMessageW(Context().window, WM_COMMAND, MAKEWPARAM(ID_VIEW_REFRESH, 0), 0);
        return S_OK;
    }
};

class SetPasswordWorker final : public AccountCommand {
public:
    explicit SetPasswordWorker(ViewWorkerContext context) noexcept : AccountCommand(std::move(context)) {}

private:
    HRESULT Execute() override {
        const std::vector<SelectedRow> rows = SelectedRows(true);
        if (rows.empty()) return S_FALSE;
        SetPasswordDialog(Context().computer, rows.front().name).RunModal(Context().window);
        return S_OK;
    }
};

// Enable or disable every selected account; each failure is remembered (the
// last one is reported) and the loop goes on.
class EnableWorker final : public AccountCommand {
public:
    EnableWorker(ViewWorkerContext context, bool enable) noexcept : AccountCommand(std::move(context)), enable_(enable) {}

private:
    HRESULT Execute() override {
        HRESULT failure = S_OK;
        for (const SelectedRow& row : SelectedRows()) {
            const DWORD flags = enable_ ? (static_cast<DWORD>(row.data) & ~UF_ACCOUNTDISABLE)
                                        : (static_cast<DWORD>(row.data) | UF_ACCOUNTDISABLE);
            USER_INFO_1008 info{flags};
            const NET_API_STATUS status =
                plat::NetUserSetInfo(Server(), row.name.c_str(), 1008, reinterpret_cast<LPBYTE>(&info), nullptr);
            if (status == NERR_Success) UpdateRow(row.item, row.name, ImageFor(flags), flags);
            else failure = HRESULT_FROM_WIN32(status);
        }
        const std::wstring word = LoadText(enable_ ? IDS_WORD_ENABLED : IDS_WORD_DISABLED);
        if (SUCCEEDED(failure)) Show(FormatText(IDS_USERS_ALL_DONE, {word}), IDS_TITLE_INFORMATION, MB_ICONINFORMATION);
        else ShowError(failure, FormatText(IDS_USERS_SOME_NOT_DONE, {word}), IDS_TITLE_ERROR);
        return S_OK;
    }

    bool enable_;
};

// The property sheet of the first selected user; afterwards the row shows
// what its General page applied. The sheet is not shown when the user object
// cannot be bound (the worker returns that failure).
class UserPropertiesWorker final : public AccountCommand {
public:
    explicit UserPropertiesWorker(ViewWorkerContext context) noexcept : AccountCommand(std::move(context)) {}

private:
    HRESULT Execute() override {
        const std::vector<SelectedRow> rows = SelectedRows(true);
        if (rows.empty()) return S_FALSE;
        const int item = rows.front().item;
        UserRow row{rows.front().name, {}, {}, static_cast<DWORD>(rows.front().data)};
        OnViewThread([&] {
            row.fullName = ItemText(List(), item, 1, MAXCOMMENTSZ + 1);
            row.description = ItemText(List(), item, 2, MAXCOMMENTSZ + 1);
        });
        const HRESULT hr = RunUserProperties(Context().window, Context().computer, row);
        if (FAILED(hr)) return hr;
        if (RowName(item) == row.name) {
            UpdateRow(item, row.name, ImageFor(row.flags), row.flags);
            SetCell(item, 1, row.fullName);
            SetCell(item, 2, row.description);
        }
        return S_OK;
    }
};

constexpr DeleteTexts kDeleteTexts{IDS_DELETE_USERS_QUESTION, IDS_DELETE_USERS_TITLE, IDS_DELETE_USER_QUESTION,
                                   IDS_DELETE_USER_TITLE};

unsigned long RenameUser(const wchar_t* server, const wchar_t* name, const wchar_t* newName, DWORD* failingField) {
    USER_INFO_0 info{const_cast<LPWSTR>(newName)};
    return plat::NetUserSetInfo(server, name, 0, reinterpret_cast<LPBYTE>(&info), failingField);
}

ComPtr<WorkerThread> CreateCommand(const ViewWorkerContext& context, UINT commandId) {
    AccountCommand* worker = nullptr;
    switch (commandId) {
        case ID_VIEW_NEW_USER: worker = new (std::nothrow) NewUserWorker(context); break;
        case ID_VIEW_SET_PASSWORD: worker = new (std::nothrow) SetPasswordWorker(context); break;
        case ID_VIEW_ENABLE: worker = new (std::nothrow) EnableWorker(context, true); break;
        case ID_VIEW_DISABLE: worker = new (std::nothrow) EnableWorker(context, false); break;
        case ID_VIEW_DELETE: worker = new (std::nothrow) DeleteRowsCommand(context, kDeleteTexts, &plat::NetUserDel); break;
        case ID_VIEW_RENAME:
            worker = new (std::nothrow) RenameRowCommand(context, &RenameUser, USER_NAME_PARMNUM, IDS_RENAME_USER_FAILED);
            break;
        case ID_VIEW_PROPERTIES: worker = new (std::nothrow) UserPropertiesWorker(context); break;
        default: break;
    }
    return ComPtr<WorkerThread>(worker);
}

void PrepareUsersMenu(HWND view, HMENU popup, bool onItem) {
    if (!onItem) return;
    HWND list = ::GetDlgItem(view, IDC_VIEW_LIST);
    const int selected = ListView_GetSelectedCount(list);
    DWORD flags = 0;
    if (selected == 1) flags = static_cast<DWORD>(ViewRowData(view, ListView_GetNextItem(list, -1, LVNI_SELECTED)));
    const DWORD greyed = GreyedUserCommands(selected, flags);
    const struct {
        UINT id;
        DWORD bit;
    } commands[] = {
        {ID_VIEW_SET_PASSWORD, kGreySetPassword}, {ID_VIEW_ENABLE, kGreyEnable},     {ID_VIEW_DISABLE, kGreyDisable},
        {ID_VIEW_RENAME, kGreyRename},            {ID_VIEW_PROPERTIES, kGreyUserProperties},
    };
    for (const auto& command : commands) {
        if (greyed & command.bit) ::EnableMenuItem(popup, command.id, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
    }
}

constexpr ViewColumn kUserColumns[] = {
    {IDS_COLUMN_NAME, 250},
    {IDS_COLUMN_FULL_NAME, 100},
    {IDS_COLUMN_DESCRIPTION, 400},
};
// Every command asks its own questions and shows its own results.
constexpr ViewCommand kUserCommands[] = {
    {ID_VIEW_NEW_USER, 0, false}, {ID_VIEW_SET_PASSWORD, 0, false}, {ID_VIEW_ENABLE, 0, false},
    {ID_VIEW_DISABLE, 0, false},  {ID_VIEW_DELETE, 0, false},       {ID_VIEW_RENAME, 0, false},
    {ID_VIEW_PROPERTIES, 0, false},
};

}  // namespace

const ViewDefinition& LocalUsersView() {
    static const ViewDefinition definition{
        IDD_LOCAL_USERS_VIEW,
        IDR_LOCAL_USERS_MENU,
        kUserColumns,
        kUserCommands,
        0,
        [](const ViewWorkerContext& context) {
            return ComPtr<WorkerThread>(new (std::nothrow) UsersEnumeration(context));
        },
        &CreateCommand,
        nullptr,
        &PrepareUsersMenu,
        ID_VIEW_PROPERTIES,
        ID_VIEW_RENAME};
    return definition;
}

}  // namespace vantrel
