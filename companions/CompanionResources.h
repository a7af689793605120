#pragma once
// Resource numbers of VantrelCompanions.dll (shared by the .rc and the code).
#define IDR_CREDENTIALSTORE 101
#define IDR_ACTIVITYLOG 102
