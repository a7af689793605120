#include "views/LocalGroupsView.h"

#include "platform/NetManagement.h"

#include "common/AccountNames.h"
#include "common/ErrorText.h"
#include "common/NetEnumeration.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "resources/AccountNamesIds.h"
#include "resources/AccountsViewIds.h"
#include "resources/ImageIndex.h"
#include "resources/ViewsIds.h"
#include "views/AccountCommands.h"
#include "views/AccountRules.h"
#include "views/GroupDialogs.h"
#include "views/GroupEditor.h"

#include <commctrl.h>

#include <new>

namespace vantrel {
namespace {

// Lists the groups batch by batch. A failing batch ends the listing with the
// rows read until then, which is what the view shows.
class GroupsEnumeration final : public EnumerationWorker {
public:
    explicit GroupsEnumeration(ViewWorkerContext context) noexcept : EnumerationWorker(std::move(context)) {}

private:
    UINT FailureSentenceId() const noexcept override { return IDS_GROUPS_NOT_ENUMERATED; }

    HRESULT Enumerate(ListWriter& rows) override {
        int row = 0;
        auto batch = [&](LPBYTE* buffer, DWORD* read, DWORD* total, DWORD_PTR* resume) {
            return plat::NetLocalGroupEnum(Context().computer.c_str(), 1, buffer, MAX_PREFERRED_LENGTH, read, total,
                                           resume);
        };
        const HRESULT hr = EnumerateNetBatches<LOCALGROUP_INFO_1, DWORD_PTR>(
            batch, [&](const LOCALGROUP_INFO_1* groups, DWORD read) {
                for (DWORD i = 0; i < read; ++i, ++row) {
                    const int item = rows.Insert(row, groups[i].lgrpi1_name, IMAGE_GROUP, 0);
                    rows.SetText(item, 1, groups[i].lgrpi1_comment);
                }
                return !Stopping();
            });
        return hr == S_FALSE ? S_FALSE : S_OK;
    }
};

class NewGroupWorker final : public AccountCommand {
public:
    explicit NewGroupWorker(ViewWorkerContext context) noexcept : AccountCommand(std::move(context)) {}

private:
    HRESULT Execute() override {
        NewGroupDialog dialog(Context().computer);
        dialog.RunModal(Context().window);
        if (dialog.Created()) ::PostMessageW(Context().window, WM_COMMAND, MAKEWPARAM(ID_VIEW_REFRESH, 0), 0);
        return S_OK;
    }
};

constexpr DeleteTexts kDeleteTexts{IDS_DELETE_GROUPS_QUESTION, IDS_DELETE_GROUPS_TITLE, IDS_DELETE_GROUP_QUESTION,
                                   IDS_DELETE_GROUP_TITLE};

unsigned long RenameGroup(const wchar_t* server, const wchar_t* name, const wchar_t* newName, DWORD* failingField) {
    LOCALGROUP_INFO_0 info{const_cast<LPWSTR>(newName)};
    return plat::NetLocalGroupSetInfo(server, name, 0, reinterpret_cast<LPBYTE>(&info), failingField);
}

// The editor of the first selected group; the row takes the description it
// ends with.
class GroupEditorWorker final : public AccountCommand {
public:
    explicit GroupEditorWorker(ViewWorkerContext context) noexcept : AccountCommand(std::move(context)) {}

private:
    HRESULT Execute() override {
        const std::vector<SelectedRow> rows = SelectedRows(true);
        if (rows.empty()) return S_FALSE;
        const int item = rows.front().item;
        std::wstring description;
        OnViewThread([&] {
            wchar_t text[MAXCOMMENTSZ + 1] = {};
            ListView_GetItemText(List(), item, 1, text, MAXCOMMENTSZ + 1);
            description = text;
        });
        const std::wstring after = RunGroupEditor(Context().window, Context().computer, rows.front().name, description);
        if (RowName(item) == rows.front().name) SetCell(item, 1, after);
        return S_OK;
    }
};

ComPtr<WorkerThread> CreateCommand(const ViewWorkerContext& context, UINT commandId) {
    AccountCommand* worker = nullptr;
    switch (commandId) {
        case ID_VIEW_NEW_GROUP: worker = new (std::nothrow) NewGroupWorker(context); break;
        case ID_VIEW_DELETE: worker = new (std::nothrow) DeleteRowsCommand(context, kDeleteTexts, &plat::NetLocalGroupDel); break;
        case ID_VIEW_RENAME:
            worker = new (std::nothrow) RenameRowCommand(context, &RenameGroup, LOCALGROUP_NAME_PARMNUM, IDS_RENAME_GROUP_FAILED);
            break;
        case ID_VIEW_ADD_TO_GROUP:
        case ID_VIEW_PROPERTIES: worker = new (std::nothrow) GroupEditorWorker(context); break;
        default: break;
    }
    return ComPtr<WorkerThread>(worker);
}

void PrepareGroupsMenu(HWND view, HMENU popup, bool onItem) {
    if (!onItem || !GroupCommandsGreyed(ListView_GetSelectedCount(::GetDlgItem(view, IDC_VIEW_LIST)))) return;
    for (UINT id : {ID_VIEW_ADD_TO_GROUP, ID_VIEW_RENAME, ID_VIEW_PROPERTIES})
        ::EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
}

constexpr ViewColumn kGroupColumns[] = {
    {IDS_COLUMN_NAME, 250},
    {IDS_COLUMN_DESCRIPTION, 500},
};
constexpr ViewCommand kGroupCommands[] = {
    {ID_VIEW_NEW_GROUP, 0, false},
    {ID_VIEW_DELETE, 0, false},
    {ID_VIEW_RENAME, 0, false},
    {ID_VIEW_ADD_TO_GROUP, 0, false},
    {ID_VIEW_PROPERTIES, 0, false},
};

}  // namespace

const ViewDefinition& LocalGroupsView() {
    static const ViewDefinition definition{
        IDD_LOCAL_GROUPS_VIEW,
        IDR_LOCAL_GROUPS_MENU,
        kGroupColumns,
        kGroupCommands,
        0,
        [](const ViewWorkerContext& context) {
            return ComPtr<WorkerThread>(new (std::nothrow) GroupsEnumeration(context));
        },
        &CreateCommand,
        nullptr,
        &PrepareGroupsMenu,
        ID_VIEW_PROPERTIES,
        ID_VIEW_RENAME};
    return definition;
}

}  // namespace vantrel
