#pragma once
// Resource numbers of Vantrel.dll. The numbers are a contract: the console,
// the registration and the views refer to them.
//
// Each subsystem keeps its numbers in its own header and its templates and
// strings in its own .rc (included at the end of Vantrel.rc).
#include "resources/ServicesIds.h"
#include "resources/ViewsIds.h"
#include "resources/AccountNamesIds.h"
#include "resources/ServiceConfigIds.h"
#include "resources/EditorIds.h"
#include "resources/EditorPagesIds.h"
#include "resources/ServicesViewIds.h"
#include "resources/WizardsIds.h"
#include "resources/SelectionIds.h"
#include "resources/DnsWizardIds.h"
#include "resources/RegWizardIds.h"
#include "resources/SvcWizardIds.h"
