#include "views/ResourceView.h"

#include "common/ErrorText.h"
#include "common/ModuleState.h"
#include "common/ResourceText.h"
#include "credentials/Credentials.h"
#include "common/ImageLists.h"
#include "platform/Clock.h"
#include "resources/ViewsIds.h"
#include "views/ListWriter.h"
#include "public/ViewMessages.h"
#include "views/ViewRules.h"
#include "views/ViewWorker.h"

#include <commctrl.h>

#include <memory>

namespace vantrel {
namespace {

constexpr wchar_t kViewProperty[] = L"VantrelResourceView";
constexpr UINT_PTR kPaintTimer = 1;

// The wait cursor while a console message is handled, the arrow afterwards.
class WaitCursor {
public:
    WaitCursor() noexcept { ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT)); }
    ~WaitCursor() { ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW)); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The context lives in the window's user data slot from WM_INITDIALOG to
// WM_DESTROY. A property marks the window as one of ours, so that a foreign
// window's user data is never taken for a context.
ViewContext* Context(HWND window) {
    if (!::GetPropW(window, kViewProperty)) return nullptr;
    return reinterpret_cast<ViewContext*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND ListOf(HWND window) { return ::GetDlgItem(window, IDC_VIEW_LIST); }

void SendActivate(HWND window, DWORD force) {
    NMVIEWACTIVATE activate{};
    activate.hdr.hwndFrom = window;
    activate.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(window));
    activate.hdr.code = VIEWN_ACTIVATE;
    activate.force = force;
    ::SendMessageW(window, WM_NOTIFY, activate.hdr.idFrom, reinterpret_cast<LPARAM>(&activate));
}

UniqueBstr CopyBstr(const UniqueBstr& text) {
    return UniqueBstr(text ? ::SysAllocStringLen(text.Get(), ::SysStringLen(text.Get())) : nullptr);
}

// Frees the item data of every row of `list` (which is about to empty).
void FreeItemData(HWND list, void (*freeData)(LPARAM) noexcept) {
    const int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        if (ListView_GetItem(list, &item) && item.lParam) freeData(item.lParam);
    }
}

// --- Handlers -------------------------------------------------------------------

void OnInitDialog(HWND window, const ViewDefinition& definition) {
    auto context = std::make_unique<ViewContext>();
    context->window = window;
    context->definition = &definition;
    HWND list = ListOf(window);
    if (::GetWindowLongW(list, GWL_STYLE) & LVS_OWNERDATA)
        context->ownedRows = std::make_unique<OwnerDataRows>(definition.freeItemData);
    ::SetPropW(window, kViewProperty, reinterpret_cast<HANDLE>(1));
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(context.release()));

    EnsureImageLists();
    ListView_SetImageList(list, LargeImageList(), LVSIL_NORMAL);
    ListView_SetImageList(list, SmallImageList(), LVSIL_SMALL);
    int index = 0;
    for (const ViewColumn& column : definition.columns) {
        std::wstring title = LoadResourceString(column.titleId, 256);
        LVCOLUMNW info{};
        info.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        info.fmt = LVCFMT_LEFT;
        info.cx = column.width;
        info.pszText = title.data();
        info.iSubItem = index;
        ListView_InsertColumn(list, index, &info);
        ++index;
    }
}

void OnDestroy(HWND window) {
    // Rows that own their item data give it back while the context (and so
    // the view's deleter) is still there.
    if (ViewContext* context = Context(window)) {
        if (context->ownedRows) ClearOwnerData(ListOf(window), *context->ownedRows);
        else ListView_DeleteAllItems(ListOf(window));
    }
    std::unique_ptr<ViewContext> context(Context(window));
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    ::RemovePropW(window, kViewProperty);
    // A running enumeration is told to stop and finishes on its own; its
    // rows and messages to this window then go nowhere.
    if (context && context->rows) context->rows->Close();
    if (context && context->worker) context->worker->SignalStop(0);
}

void OnSize(HWND window, int width, int height) {
    RECT line{};
    HWND credentials = ::GetDlgItem(window, IDC_VIEW_CREDENTIALS);
    // MapWindowPoints answers the offset, which is 0 for a window at the
    // screen's origin: only the rectangle's reading can fail.
    const bool measured = credentials && ::GetWindowRect(credentials, &line);
    if (measured) ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&line), 2);
    const RECT area = ViewListRect(measured ? &line : nullptr, width, height);
    const int areaHeight = area.bottom - area.top;
    ::MoveWindow(ListOf(window), area.left, area.top, area.right - area.left, areaHeight, TRUE);
    ::MoveWindow(::GetDlgItem(window, IDC_VIEW_MESSAGE), area.left, area.top, area.right - area.left, areaHeight, TRUE);
}

void OnSetCredentials(ViewContext& context, long options, BSTR path) {
    WaitCursor cursor;
    context.credentialsPath.Reset(path);
    context.recallOptions = options;
}

void OnSetComputer(HWND window, WPARAM force, BSTR name) {
    WaitCursor cursor;
    UniqueBstr computer(name);
    ViewContext* context = Context(window);
    if (!context) return;
    if (NamesDiffer(computer.Get(), context->computer.Get())) {
        context->computer = std::move(computer);
        context->computerChanged = true;
    }

    AlternateCredentials credentials;
    const HRESULT found = LookupCredentials(context->credentialsPath.Get(), context->recallOptions, credentials);
    if (found == kCredentialsFound || found == kCredentialsNotFound) {
        UniqueBstr shown(found == kCredentialsFound && credentials.userName
                             ? ::SysAllocString(credentials.userName.Get())
                             : ::SysAllocString(L""));
        if (NamesDiffer(shown.Get(), context->credentialName.Get())) {
            context->credentialName = std::move(shown);
            context->credentialsChanged = true;
        }
    }
    if (SetComputerActivates(context->active, force, context->computerChanged, context->credentialsChanged))
        SendActivate(window, static_cast<DWORD>(force));
}

// Switches the list's redraw back on (rows arrive with it off) and paints
// it there and then.
void PaintRows(HWND window, ViewContext& context) {
    ::KillTimer(window, kPaintTimer);
    context.paint.Painted();
    HWND list = ListOf(window);
    ResumeListPaint(list);
    ::UpdateWindow(list);
}

// Empties the list for a new enumeration; a fill that was stopped may have
// left its redraw off.
void ClearRows(HWND window, ViewContext& context) {
    if (context.ownedRows) ClearOwnerData(ListOf(window), *context.ownedRows);
    else ListView_DeleteAllItems(ListOf(window));
    if (context.paint.Owed()) PaintRows(window, context);
}

void OnActivate(HWND window, DWORD force) {
    WaitCursor cursor;
    ViewContext* context = Context(window);
    if (!context) return;
    context->active = true;
    if (!ActivationRefreshes(force, context->computerChanged, context->credentialsChanged)) return;
    context->computerChanged = false;
    context->credentialsChanged = false;
    ::ShowWindow(ListOf(window), SW_SHOW);
    ::SetDlgItemTextW(window, IDC_VIEW_MESSAGE, L"");
    ::ShowWindow(::GetDlgItem(window, IDC_VIEW_MESSAGE), SW_HIDE);
    ::SetDlgItemTextW(window, IDC_VIEW_CREDENTIALS, L"");

    // Stopping dispatches messages: a nested refresh may start a worker, or
    // the console may destroy the view, while this one waits.
    if (context->rows) context->rows->Close();
    while (context->worker) {
        ComPtr<WorkerThread> previous = std::move(context->worker);
        previous->SignalStop(INFINITE);
        previous.Reset();
        context = Context(window);
        if (!context) return;
    }
    ClearRows(window, *context);
    if (!context->computer || ::SysStringLen(context->computer.Get()) == 0) return;

    context->rows = std::make_shared<RowHandoff>(window, context->definition->freeItemData);
    ComPtr<WorkerThread> worker = context->definition->createEnumeration(CopyForWorker(*context));
    if (worker && SUCCEEDED(worker->Start(0, 0, false))) context->worker = std::move(worker);
}

void Nudge(HWND window) { ::PostMessageW(window, WM_VIEW_INSERTROWS, 0, 0); }

void OnInsertRows(HWND window, ViewContext& context) {
    if (!context.rows || !context.rows->Pending()) return;  // a late nudge
    HWND list = ListOf(window);
    switch (context.paint.Next(plat::GetTickCount64())) {
        case FillPaint::Step::Resume:
            ::KillTimer(window, kPaintTimer);
            ResumeListPaint(list);
            Nudge(window);  // the rows follow on a later nudge
            return;
        case FillPaint::Step::Paint:
            ::UpdateWindow(list);
            Nudge(window);
            return;
        case FillPaint::Step::SuspendAndInsert:
            SuspendListPaint(list);
            // Paints when a steady stream of nudges is not there to do it.
            ::SetTimer(window, kPaintTimer, kPaintMs, nullptr);
            break;
        case FillPaint::Step::Insert:
            break;
    }
    switch (context.rows->Take(list, context.ownedRows.get())) {
        case RowHandoff::Taken::Some:
            Nudge(window);
            break;
        case RowHandoff::Taken::LastBatch:
            PaintRows(window, context);
            break;
        default:
            break;
    }
}

// The item popup (sub-menu 1) or the list's (0), at `at` in screen
// coordinates, kept clear of `item` (screen coordinates) when one is given.
void ShowContextMenu(HWND window, bool onItem, POINT at, const RECT* item) {
    ViewContext* context = Context(window);
    if (!context || context->menuPreparing) return;
    UniqueMenu menu(::LoadMenuW(module::Instance(), MAKEINTRESOURCEW(context->definition->menuId)));
    HMENU popup = menu ? ::GetSubMenu(menu.Get(), onItem ? 1 : 0) : nullptr;
    if (!popup) return;
    if (context->definition->prepareMenu) {
        // Preparing may dispatch messages: one popup at a time, and none for
        // a view that went away meanwhile.
        context->menuPreparing = true;
        context->definition->prepareMenu(window, popup, onItem);
        context = Context(window);
        if (!context) return;
        context->menuPreparing = false;
    }
    TPMPARAMS clear{};
    clear.cbSize = sizeof clear;
    if (item) clear.rcExclude = *item;
    ::TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, window, item ? &clear : nullptr);
}

void OnRightClick(HWND window, const NMITEMACTIVATE& click) {
    HWND list = ListOf(window);
    LVHITTESTINFO hit{};
    hit.pt = click.ptAction;
    const bool onItem = ListView_HitTest(list, &hit) >= 0 && (hit.flags & LVHT_ONITEM) != 0;
    POINT at = click.ptAction;
    ::ClientToScreen(list, &at);
    ShowContextMenu(window, onItem, at, nullptr);
}

// Shift+F10 and the context-menu key (WM_CONTEXTMENU without a position):
// the popup a right-click on the focused item gives, below that item; the
// list's own popup at its corner when no selected item has the focus. A
// right-click was handled as NM_RCLICK already.
void OnContextMenuKey(HWND window, LPARAM position) {
    if (static_cast<DWORD>(position) != 0xFFFFFFFFu) return;  // (-1, -1): from the keyboard
    HWND list = ListOf(window);
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    RECT item{};
    const bool onItem = focused >= 0 && ListView_GetItemState(list, focused, LVIS_SELECTED) != 0 &&
                        ListView_GetItemRect(list, focused, &item, LVIR_LABEL);
    if (onItem) {
        ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&item), 2);
        ShowContextMenu(window, true, POINT{item.left, item.bottom}, &item);
        return;
    }
    POINT corner{0, 0};
    ::ClientToScreen(list, &corner);
    ShowContextMenu(window, false, corner, nullptr);
}

void RunWorker(HWND window, const ViewCommand& command, const ViewWorkerContext& copy);

void RunCommand(HWND window, const ViewCommand& command) {
    ViewContext* context = Context(window);
    if (!context) return;
    if (command.confirmationId != 0) {
        const std::wstring question = LoadResourceString(command.confirmationId);
        const std::wstring title = LoadResourceString(IDS_VIEW_CONFIRM_TITLE);
        if (::MessageBoxW(window, question.c_str(), title.c_str(), MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
        context = Context(window);  // the box dispatched messages
        if (!context) return;
    }

    RunWorker(window, command, CopyForWorker(*context, command.allItems));
}

void RunWorker(HWND window, const ViewCommand& command, const ViewWorkerContext& copy) {
    ViewContext* context = Context(window);
    if (!context) return;
    ComPtr<WorkerThread> worker = context->definition->createCommand(copy, command.id);
    const UINT failureId = context->definition->commandFailureId;
    if (!worker) return;
    if (command.background) {
        // The thread holds its own reference until its Run is over.
        worker->Start(0, 0, false);
        return;
    }
    // Modal: the view keeps dispatching messages until the worker ends.
    HRESULT result = worker->Start(INFINITE, 0, false);
    DWORD exitCode = 0;
    if (SUCCEEDED(result) && SUCCEEDED(worker->GetExitCode(&exitCode))) result = static_cast<HRESULT>(exitCode);
    if (FAILED(result) && !command.reportsItself) {
        UniqueBstr platformText;
        std::wstring text = FormatErrorText(static_cast<DWORD>(result), platformText.Put(), false) == 0 && platformText
                                ? std::wstring(platformText.Get())
                                : FallbackErrorText(static_cast<DWORD>(result));
        text += L"\r\n" + LoadResourceString(failureId, 1024);
        ::MessageBoxW(window, text.c_str(), LoadResourceString(IDS_VIEW_INFORMATION_TITLE).c_str(), MB_ICONINFORMATION);
    }
    context = Context(window);
    if (!context || !command.refreshesAfter) return;
    // Refreshes only when the computer or the credentials changed meanwhile.
    ::SendMessageW(window, WM_SETCOMPUTER, 0, reinterpret_cast<LPARAM>(CopyBstr(context->computer).Release()));
}

void OnCommand(HWND window, UINT id) {
    if (id == ID_VIEW_REFRESH) {
        SendActivate(window, 1);
        return;
    }
    ViewContext* context = Context(window);
    if (!context) return;
    if (id != 0 && id == context->definition->renameCommand) {
        HWND list = ListOf(window);
        const int item = ListView_GetNextItem(list, -1, LVNI_SELECTED);
        if (item < 0) return;
        context->renameRequested = true;
        ::SetFocus(list);
        ListView_EditLabel(list, item);
        return;
    }
    for (const ViewCommand& command : context->definition->commands) {
        if (command.id == id) {
            RunCommand(window, command);
            return;
        }
    }
}

// An edit ended with text: the rename command's worker gets it. The label
// stays as it was; the worker writes the new name when the rename succeeded.
void OnEndLabelEdit(HWND window, const NMLVDISPINFOW& edit) {
    const ViewContext* context = Context(window);
    if (!context || !edit.item.pszText || !*edit.item.pszText) return;
    for (const ViewCommand& command : context->definition->commands) {
        if (command.id != context->definition->renameCommand) continue;
        ViewWorkerContext copy = CopyForWorker(*context);
        copy.editItem = edit.item.iItem;
        copy.editText = edit.item.pszText;
        RunWorker(window, command, copy);
        return;
    }
}

LRESULT OnNotify(HWND window, const NMHDR& header) {
    if (header.code == VIEWN_ACTIVATE) {
        OnActivate(window, reinterpret_cast<const NMVIEWACTIVATE&>(header).force);
    } else if (header.code == VIEWN_DEACTIVATE) {
        if (ViewContext* context = Context(window)) context->active = false;
    } else if (header.code == NM_RCLICK && header.idFrom == IDC_VIEW_LIST) {
        OnRightClick(window, reinterpret_cast<const NMITEMACTIVATE&>(header));
    } else if (header.code == NM_DBLCLK && header.idFrom == IDC_VIEW_LIST) {
        const ViewContext* context = Context(window);
        if (context && context->definition->doubleClickCommand != 0 &&
            reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0)
            OnCommand(window, context->definition->doubleClickCommand);
    } else if (header.code == LVN_BEGINLABELEDITW && header.idFrom == IDC_VIEW_LIST) {
        // Only the rename command edits labels (a click on a label does not).
        ViewContext* context = Context(window);
        const bool allowed = context && context->renameRequested;
        if (context) context->renameRequested = false;
        return allowed ? FALSE : TRUE;
    } else if (header.code == LVN_ENDLABELEDITW && header.idFrom == IDC_VIEW_LIST) {
        OnEndLabelEdit(window, reinterpret_cast<const NMLVDISPINFOW&>(header));
        return FALSE;
    } else if (header.code == LVN_GETDISPINFOW && header.idFrom == IDC_VIEW_LIST) {
        if (const ViewContext* context = Context(window); context && context->ownedRows)
            context->ownedRows->Answer(reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item);
    } else if (header.code == LVN_ODFINDITEMW && header.idFrom == IDC_VIEW_LIST) {
        const ViewContext* context = Context(window);
        if (!context || !context->ownedRows) return -1;
        const auto& find = reinterpret_cast<const NMLVFINDITEMW&>(header);
        return context->ownedRows->Find(find.lvfi, find.iStart);
    } else if (header.code == LVN_DELETEALLITEMS && header.idFrom == IDC_VIEW_LIST) {
        // The whole list goes: its rows' item data is freed here, and the
        // list is asked for no notification per row (each costs a trip
        // through this procedure, a second for 10,000 rows under Wine).
        ViewContext* context = Context(window);
        if (!context) return FALSE;
        if (context->ownedRows) context->ownedRows->Clear();
        else if (context->definition->freeItemData) FreeItemData(header.hwndFrom, context->definition->freeItemData);
        return TRUE;
    } else if (header.code == LVN_DELETEITEM && header.idFrom == IDC_VIEW_LIST) {
        // An owner-data row is given back by DeleteViewRow, which removes it.
        const ViewContext* context = Context(window);
        if (context && !context->ownedRows && context->definition->freeItemData)
            context->definition->freeItemData(reinterpret_cast<const NMLISTVIEW&>(header).lParam);
    }
    return 0;
}

INT_PTR CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(window, *reinterpret_cast<const ViewDefinition*>(lParam));
            return TRUE;
        case WM_SIZE:
            OnSize(window, LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        case WM_SETCREDENTIALS:
            if (ViewContext* context = Context(window))
                OnSetCredentials(*context, static_cast<long>(wParam), reinterpret_cast<BSTR>(lParam));
            else
                ::SysFreeString(reinterpret_cast<BSTR>(lParam));
            return TRUE;
        case WM_SETCOMPUTER:
            OnSetComputer(window, wParam, reinterpret_cast<BSTR>(lParam));
            return TRUE;
        case WM_NOTIFY:
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, OnNotify(window, *reinterpret_cast<const NMHDR*>(lParam)));
            return TRUE;
        case WM_COMMAND:
            OnCommand(window, LOWORD(wParam));
            return TRUE;
        case WM_CONTEXTMENU:
            OnContextMenuKey(window, lParam);
            return TRUE;
        case WM_VIEW_INSERTROWS:
            if (ViewContext* context = Context(window)) OnInsertRows(window, *context);
            return TRUE;
        case WM_TIMER:
            if (wParam == kPaintTimer)
                if (ViewContext* context = Context(window)) PaintRows(window, *context);
            return TRUE;
        case WM_VIEW_CALL:
            if (!Context(window)) return TRUE;
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, 1);
            return TRUE;
        case WM_DESTROY:
            OnDestroy(window);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

ViewWorkerContext CopyForWorker(const ViewContext& context, bool allItems) {
    auto text = [](const UniqueBstr& s) { return s ? std::wstring(s.Get(), ::SysStringLen(s.Get())) : std::wstring(); };
    ViewWorkerContext copy;
    copy.window = context.window;
    copy.computer = text(context.computer);
    copy.credentialsPath = text(context.credentialsPath);
    copy.computerChanged = context.computerChanged;
    copy.credentialName = text(context.credentialName);
    copy.credentialsChanged = context.credentialsChanged;
    copy.active = false;
    copy.recallOptions = context.recallOptions;
    copy.allItems = allItems;
    copy.rows = context.rows;
    return copy;
}

HWND CreateResourceView(const ViewDefinition& definition) {
    return ::CreateDialogParamW(module::Instance(), MAKEINTRESOURCEW(definition.templateId), nullptr, &ViewProc,
                                reinterpret_cast<LPARAM>(&definition));
}

const ViewContext* FindViewContext(HWND view) { return Context(view); }

LPARAM ViewRowData(HWND view, int item) {
    if (const ViewContext* context = Context(view); context && context->ownedRows) {
        const PendingRow* row = context->ownedRows->Row(item);
        return row ? row->data : 0;
    }
    LVITEMW row{};
    row.mask = LVIF_PARAM;
    row.iItem = item;
    return ListView_GetItem(ListOf(view), &row) ? row.lParam : 0;
}

bool SetViewRow(HWND view, int item, const std::wstring& label, int image, LPARAM data) {
    HWND list = ListOf(view);
    if (const ViewContext* context = Context(view); context && context->ownedRows) {
        if (!context->ownedRows->SetCell(item, 0, label)) return false;
        if (image >= 0) context->ownedRows->SetImageAndData(item, image, data);
        return ListView_RedrawItems(list, item, item) != FALSE;
    }
    LVITEMW row{};
    row.mask = LVIF_TEXT | (image >= 0 ? LVIF_IMAGE | LVIF_PARAM : 0);
    row.iItem = item;
    row.pszText = const_cast<wchar_t*>(label.c_str());
    row.iImage = image;
    row.lParam = data;
    return ListView_SetItem(list, &row) != FALSE;
}

bool SetViewCell(HWND view, int item, int column, const std::wstring& text) {
    HWND list = ListOf(view);
    if (const ViewContext* context = Context(view); context && context->ownedRows) {
        if (!context->ownedRows->SetCell(item, column, text)) return false;
        return ListView_RedrawItems(list, item, item) != FALSE;
    }
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = const_cast<wchar_t*>(text.c_str());
    return ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell)) != 0;
}

bool DeleteViewRow(HWND view, int item) {
    HWND list = ListOf(view);
    if (const ViewContext* context = Context(view); context && context->ownedRows) {
        // The list lets go of the row's selection and moves the ones after
        // it up; the row leaves the view's rows with it.
        if (!context->ownedRows->Row(item) || !ListView_DeleteItem(list, item)) return false;
        return context->ownedRows->Erase(item);
    }
    return ListView_DeleteItem(list, item) != FALSE;
}

void ClearViewRows(HWND view) {
    if (ViewContext* context = Context(view)) ClearRows(view, *context);
}

bool SortViewRows(HWND view, int column, bool ascending) {
    ViewContext* context = Context(view);
    if (!context || !context->ownedRows) return false;
    SortOwnerData(ListOf(view), *context->ownedRows, column, ascending);
    return true;
}

}  // namespace vantrel
