#pragma once
// The sessions view (who is connected to a computer's file server) and the
// open files view (which files they hold open).
#include "views/ViewContext.h"

namespace vantrel {

const ViewDefinition& SessionsView();
const ViewDefinition& OpenFilesView();

}  // namespace vantrel
