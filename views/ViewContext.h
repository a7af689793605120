#pragma once
// What a resource view keeps (ViewContext, owned by its window, used only on
// the user-interface thread) and what its workers get: a copy of it.
#include "common/ComPtr.h"
#include "common/Handles.h"
#include "common/WorkerThread.h"
#include "views/ListWriter.h"
#include "views/OwnerDataList.h"

#include <windows.h>

#include <memory>
#include <span>
#include <string>

namespace vantrel {

struct ViewDefinition;

struct ViewContext {
    HWND window = nullptr;
    UniqueBstr computer;
    UniqueBstr credentialsPath;
    bool computerChanged = false;
    UniqueBstr credentialName;
    bool credentialsChanged = false;
    bool active = false;
    long recallOptions = 0;
    ComPtr<WorkerThread> worker;       // the current enumeration, or none
    std::shared_ptr<RowHandoff> rows;  // how its rows arrive
    FillPaint paint;                   // when the filling list is painted
    bool menuPreparing = false;        // a popup is being prepared (its reads pump messages)
    const ViewDefinition* definition = nullptr;
    bool renameRequested = false;      // the next label edit is the rename command's
    // The rows of an owner-data list (the template gave the list
    // LVS_OWNERDATA); none when the list keeps its own items.
    std::unique_ptr<OwnerDataRows> ownedRows;
};

// A worker's own copy of the context (strings duplicated, never inactive
// state): workers never touch the window's context.
struct ViewWorkerContext {
    HWND window = nullptr;
    std::wstring computer;
    std::wstring credentialsPath;
    bool computerChanged = false;
    std::wstring credentialName;
    bool credentialsChanged = false;
    bool active = false;
    long recallOptions = 0;
    bool allItems = false;  // command workers: every item instead of the selected ones
    // Enumerations: the view's way in for their rows (it also frees what
    // rows that never reached the list carry).
    std::shared_ptr<RowHandoff> rows;
    // Renames: the edited item and the text the edit ended with.
    int editItem = -1;
    std::wstring editText;
};

ViewWorkerContext CopyForWorker(const ViewContext& context, bool allItems = false);

// One list column: title from the string table, width in pixels.
struct ViewColumn {
    UINT titleId;
    int width;
};

// A context-menu command that works on the listed items.
struct ViewCommand {
    UINT id;
    UINT confirmationId;  // the question asked first; 0: none
    bool allItems;
    // Started without waiting: the worker reports on its own and the view
    // neither shows a result nor refreshes afterwards.
    bool background = false;
    // The worker shows its own failures: the view shows none for it.
    bool reportsItself = false;
    // The view sends itself WM_SETCOMPUTER afterwards (so it refreshes when
    // the computer or the credentials changed meanwhile).
    bool refreshesAfter = true;
};

// What one kind of view is: its template, menu, columns and texts, and how it
// makes its workers.
struct ViewDefinition {
    UINT templateId;
    UINT menuId;
    std::span<const ViewColumn> columns;
    std::span<const ViewCommand> commands;
    UINT commandFailureId;  // sentence after the error text when a command failed
    ComPtr<WorkerThread> (*createEnumeration)(const ViewWorkerContext& context);
    ComPtr<WorkerThread> (*createCommand)(const ViewWorkerContext& context, UINT commandId);
    // Views whose rows own their item data: called for every row the list
    // deletes (and for rows that never reached it).
    void (*freeItemData)(LPARAM data) noexcept = nullptr;
    // Adjusts a context menu's popup (sub-menu 1 on an item, 0 elsewhere)
    // before it is shown, on the view's thread.
    void (*prepareMenu)(HWND view, HMENU popup, bool onItem) = nullptr;
    // The command a double-click on an item stands for; 0: none.
    UINT doubleClickCommand = 0;
    // The command that starts an in-place edit of the first selected item;
    // an edit that ends with text runs the command's worker with it (0: the
    // view renames nothing).
    UINT renameCommand = 0;
};

}  // namespace vantrel
