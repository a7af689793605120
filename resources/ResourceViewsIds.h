#pragma once
// Resource numbers of the terminal sessions and printers views and of the
// Send Message dialog. Controls, Re&fresh, Close &Session and P&roperties
// are in ViewsIds.h.

#define IDD_PRINTERS_VIEW 232
#define IDR_PRINTERS_MENU 233
#define IDD_TERMINAL_SESSIONS_VIEW 237
#define IDR_TERMINAL_SESSIONS_MENU 238
#define IDD_SEND_MESSAGE 239

// Send Message dialog.
#define IDC_MESSAGE_TITLE 218
#define IDC_MESSAGE_TEXT 219

// Context-menu commands.
#define ID_VIEW_PRINTER_OPEN 32780
#define ID_VIEW_SEND_MESSAGE 32782
#define ID_VIEW_RESET_SESSION 32783
#define ID_VIEW_CLOSE_ALL_TERMINAL_SESSIONS 32798

// Column titles.
#define IDS_COLUMN_DOCUMENTS 167
#define IDS_COLUMN_COMMENT 168
#define IDS_COLUMN_LOCATION 169
#define IDS_COLUMN_MODEL 170
#define IDS_COLUMN_SESSION 171
#define IDS_COLUMN_SESSION_USER 172
#define IDS_COLUMN_ID 173
#define IDS_COLUMN_STATE 174
#define IDS_COLUMN_SESSION_TYPE 175
#define IDS_COLUMN_CLIENT_NAME 176

// Texts without a number of their own (4320-4330, and 4400-4440 below).
#define IDS_PRINTERS_NOT_ENUMERATED 4320
#define IDS_TS_NOT_CONNECTED 4321
#define IDS_TS_NOT_ENUMERATED 4322
#define IDS_TS_CONFIRM_CLOSE_ALL 4323
#define IDS_TS_CONFIRM_CLOSE 4324
#define IDS_TS_CONFIRM_RESET 4325
#define IDS_TS_NOT_CLOSED 4326
#define IDS_TS_NOT_RESET 4327
#define IDS_TS_NOT_SENT 4328
#define IDS_TS_MESSAGE_TITLE 4329
#define IDS_VIEW_ERROR_TITLE 4330

// Row texts: session state names by state value (0-9, then any other),
// protocol names by protocol type (0-2, then any other), printer status
// texts in the order the status column joins them, then "Ready".
#define IDS_TS_STATE_FIRST 4400
#define IDS_TS_PROTOCOL_FIRST 4411
#define IDS_PRINTER_STATUS_FIRST 4415
#define IDS_PRINTER_READY 4440
