#pragma once
// The local users view: the user accounts of a computer's account database,
// with New User, Set Password, Enable, Disable, Delete and Rename.
#include "views/ViewContext.h"

namespace vantrel {

const ViewDefinition& LocalUsersView();

}  // namespace vantrel
