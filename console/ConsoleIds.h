#pragma once
// Resource and control numbers of the console host.
#define IDD_STORE_CREDENTIALS 100
#define IDC_STORE_KEY 101
#define IDC_STORE_USER 102
#define IDC_STORE_PASSWORD 103

#define IDC_COMPUTER 1001
#define IDC_CREDENTIALS_PATH 1002
#define IDC_RECALL_OPTIONS 1003
#define IDC_CONNECT 1004
#define IDC_TABS 1005

#define IDM_EXIT 2001
#define IDM_REFRESH 2002
#define IDM_STORE_CREDENTIALS 2003
#define IDM_FORGET_CREDENTIALS 2004
#define IDM_LIST_CREDENTIALS 2005
#define IDM_SERVICES_WIZARD 2006

// Multiple computer operations: IDM_WIZARD_FIRST + the operation's index.
#define IDM_WIZARD_FIRST 2100
