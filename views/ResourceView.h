#pragma once
// The resource view window shared by every view: built from the view's
// dialog template, it keeps its ViewContext, talks with the console
// (WM_SETCREDENTIALS, WM_SETCOMPUTER, VIEWN_ACTIVATE, VIEWN_DEACTIVATE),
// refreshes by replacing its enumeration worker, offers the view's context
// menu and runs its commands with a confirmation first.
#include "views/ViewContext.h"

#include <string>

namespace vantrel {

// A hidden, ownerless view window (the console reparents, positions, shows
// and destroys it), or null with the last error set.
HWND CreateResourceView(const ViewDefinition& definition);

// The context of a live view window (null for other windows). For tests and
// the console's diagnostics; only on the window's thread.
const ViewContext* FindViewContext(HWND view);

// The rows of a view's list, for its menus and for its workers (inside
// OnViewThread): the list's own items, or the view's rows when the list is
// owner-data (LVS_OWNERDATA in the view's template). Texts are read from the
// list in both cases (LVM_GETITEMTEXT). Only on the window's thread.
LPARAM ViewRowData(HWND view, int item);
// Writes a row's label, and its image and data when `image` is not -1.
bool SetViewRow(HWND view, int item, const std::wstring& label, int image = -1, LPARAM data = 0);
bool SetViewCell(HWND view, int item, int column, const std::wstring& text);
bool DeleteViewRow(HWND view, int item);
// Empties the list (a failed enumeration's, before its message replaces it).
void ClearViewRows(HWND view);
// Orders an owner-data list's rows by a column's text, keeping the selected
// and the focused rows; false for a list that orders its own items.
bool SortViewRows(HWND view, int column, bool ascending);

}  // namespace vantrel
