#pragma once
// Resource numbers of service management: the state, startup-type and
// account names, the control progress and confirmation dialogs, and the
// texts of service control.

// Service state names.
#define IDS_STATE_STARTED 120
#define IDS_STATE_STOPPING 121
#define IDS_STATE_STARTING 122
#define IDS_STATE_PAUSING 124
#define IDS_STATE_PAUSED 125
#define IDS_STATE_BLANK 126
#define IDS_STATE_STOPPED 193
// Startup type names.
#define IDS_START_AUTOMATIC 127
#define IDS_START_MANUAL 128
#define IDS_START_DISABLED 129
#define IDS_START_BOOT 130
#define IDS_START_SYSTEM 131
#define IDS_UNKNOWN 132
// Log-on account names.
#define IDS_ACCOUNT_LOCAL_SYSTEM 133
#define IDS_ACCOUNT_LOCAL_SERVICE 134
#define IDS_ACCOUNT_NETWORK_SERVICE 135
// Service control.
#define IDS_STOP_OTHERS_PROMPT 139
#define IDS_ATTEMPTING 140
#define IDS_VERB_START 141
#define IDS_VERB_STOP 142
#define IDS_VERB_PAUSE 143
#define IDS_VERB_RESUME 144

#define IDD_STOP_OTHER_SERVICES 218
#define IDD_SERVICE_CONTROL 219
// Controls of the two dialogs.
#define IDC_SVC_DEPENDENTS_LIST 202
#define IDC_SVC_SERVICE_TEXT 207
#define IDC_SVC_PROGRESS_BAR 208
#define IDC_SVC_PROGRESS_TEXT 211

// Texts without a number of their own (40100-40199 belong to services).
#define IDS_SUMMARY_START 40100
#define IDS_SUMMARY_STOP 40101
#define IDS_SUMMARY_PAUSE 40102
#define IDS_SUMMARY_RESUME 40103
#define IDS_SUMMARY_RESTART 40104
#define IDS_DEPENDENTS_STOP_FAILED 40105
#define IDS_DEPENDENTS_RESTART_FAILED 40106
#define IDS_FAILED_SERVICE_PREFIX 40107
#define IDS_FAILED_ON_COMPUTER 40108
#define IDS_FAILED_RETURN_CODE 40109
#define IDS_BATCH_NO_SCM 40110
#define IDS_BATCH_NO_CONNECTION 40111
#define IDS_BATCH_NO_THREAD 40112
#define IDS_ERROR_TITLE 40113
