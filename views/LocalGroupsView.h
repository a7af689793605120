#pragma once
// The local groups view: the local groups of a computer's account database,
// with New Group, Delete and Rename.
#include "views/ViewContext.h"

namespace vantrel {

const ViewDefinition& LocalGroupsView();

}  // namespace vantrel
