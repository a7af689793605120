#pragma once
// Resource numbers of the resource views (templates, menus, controls, column
// titles, row texts, commands). The numbers are a contract with the console.
// Texts of the views that have no number of their own use 4300-4399.

// View dialogs and their context menus (popup 0: the node, popup 1: an item).
#define IDD_SESSIONS_VIEW 201
#define IDD_OPEN_FILES_VIEW 213
#define IDR_SESSIONS_MENU 209
#define IDR_OPEN_FILES_MENU 214

// Controls every view has.
#define IDC_VIEW_LIST 202
#define IDC_VIEW_CREDENTIALS 214
#define IDC_VIEW_MESSAGE 250

// Context-menu commands.
#define ID_VIEW_CLOSE_SESSION 32769
#define ID_VIEW_DISCONNECT_ALL_SESSIONS 32770
#define ID_VIEW_REFRESH 32771
#define ID_VIEW_DISCONNECT_ALL_FILES 32772
#define ID_VIEW_CLOSE_OPEN_FILE 32773
#define ID_VIEW_PROPERTIES 32781

// Column titles.
#define IDS_COLUMN_USER 101
#define IDS_COLUMN_COMPUTER 102
#define IDS_COLUMN_TYPE 103
#define IDS_COLUMN_OPEN_FILES 104
#define IDS_COLUMN_CONNECTED_TIME 105
#define IDS_COLUMN_IDLE_TIME 106
#define IDS_COLUMN_GUEST 107
#define IDS_COLUMN_OPEN_FILE 111
#define IDS_COLUMN_ACCESSED_BY 112
#define IDS_COLUMN_LOCKS 113
#define IDS_COLUMN_OPEN_MODE 114
#define IDS_COLUMN_NAME 115
#define IDS_COLUMN_DESCRIPTION 116
#define IDS_COLUMN_STATUS 117
#define IDS_COLUMN_STARTUP_TYPE 118
#define IDS_COLUMN_LOG_ON_AS 119

// Row texts.
#define IDS_DAYS 108
#define IDS_YES 109
#define IDS_NO 110
#define IDS_OPEN_MODE_WRITE 136
#define IDS_OPEN_MODE_READ 137
#define IDS_OPEN_MODE_CREATE 138

// Titles, confirmations and failure sentences.
#define IDS_VIEW_CONFIRM_TITLE 4300
#define IDS_VIEW_INFORMATION_TITLE 4301
#define IDS_CONFIRM_CLOSE_SESSION 4302
#define IDS_CONFIRM_CLOSE_ALL_SESSIONS 4303
#define IDS_CONFIRM_CLOSE_OPEN_FILE 4304
#define IDS_CONFIRM_CLOSE_ALL_FILES 4305
#define IDS_SESSIONS_NOT_ENUMERATED 4306
#define IDS_OPEN_FILES_NOT_ENUMERATED 4307
#define IDS_SESSIONS_NOT_CLOSED 4308
#define IDS_FILES_NOT_CLOSED 4309
#define IDS_OPEN_FILE_TYPE 4310
