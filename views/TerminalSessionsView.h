#pragma once
// The terminal sessions view: the console, remote connections and listeners
// of a computer, which it disconnects, resets or sends a message to.
#include "views/ViewContext.h"

namespace vantrel {

const ViewDefinition& TerminalSessionsView();

}  // namespace vantrel
