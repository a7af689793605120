#pragma once
// The clock that waits on computers are measured with (service state polls,
// timeouts). The lab can run it on virtual time.
#include "platform/PlatApi.h"

namespace plat {
PLAT_API DWORD WINAPI GetTickCount();
PLAT_API ULONGLONG WINAPI GetTickCount64();
PLAT_API VOID WINAPI Sleep(DWORD dwMilliseconds);
}  // namespace plat
