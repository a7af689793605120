#pragma once
// Resource numbers of VantrelCompanions.dll (shared by the .rc and the code).
#define IDR_CREDENTIALSTORE 101
#define IDR_ACTIVITYLOG 102
#define IDR_REGISTRYCOMPONENT 103
#define IDR_REGISTRYENTRYSELECTOR 104

// The registry entry selector's dialog.
#define IDD_REGISTRY_BROWSER 200
#define IDC_BROWSER_KEYS 201
#define IDC_BROWSER_VALUES 202
#define IDC_BROWSER_PATH 203
