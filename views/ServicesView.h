#pragma once
// The services view: the Win32 services of one computer with their
// description, status, startup type and log-on account; start, stop, pause,
// resume and restart them, and open the service editor.
#include "views/ViewContext.h"

namespace vantrel {

const ViewDefinition& ServicesView();

}  // namespace vantrel
