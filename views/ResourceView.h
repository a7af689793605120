#pragma once
// The resource view window shared by every view: built from the view's
// dialog template, it keeps its ViewContext, talks with the console
// (WM_SETCREDENTIALS, WM_SETCOMPUTER, VIEWN_ACTIVATE, VIEWN_DEACTIVATE),
// refreshes by replacing its enumeration worker, offers the view's context
// menu and runs its commands with a confirmation first.
#include "views/ViewContext.h"

namespace vantrel {

// A hidden, ownerless view window (the console reparents, positions, shows
// and destroys it), or null with the last error set.
HWND CreateResourceView(const ViewDefinition& definition);

// The context of a live view window (null for other windows). For tests and
// the console's diagnostics; only on the window's thread.
const ViewContext* FindViewContext(HWND view);

}  // namespace vantrel
