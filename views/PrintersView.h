#pragma once
// The printers view: the printers of a computer with their queue length and
// status; it opens their queue and properties windows through the shell.
#include "views/ViewContext.h"

namespace vantrel {

const ViewDefinition& PrintersView();

}  // namespace vantrel
