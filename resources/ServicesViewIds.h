#pragma once
// Resource numbers of the services view: its window, its context menu, the
// service commands and its messages. Column titles and the commands every
// view shares are in ViewsIds.h.

#define IDD_SERVICES_VIEW 215
#define IDR_SERVICES_MENU 217

// Context-menu commands (Re&fresh and P&roperties: ViewsIds.h).
#define ID_VIEW_SERVICE_START 32774
#define ID_VIEW_SERVICE_STOP 32775
#define ID_VIEW_SERVICE_PAUSE 32776
#define ID_VIEW_SERVICE_RESUME 32777
#define ID_VIEW_SERVICE_RESTART 32778

// Texts without a number of their own.
#define IDS_SERVICES_SCM_NOT_CREATED 4380
#define IDS_SERVICES_NOT_ENUMERATED 4381
#define IDS_SERVICE_EDITOR_NOT_ACCESSED 4382
#define IDS_SERVICE_EDITOR_NOT_OPENED 4383
