#pragma once
// Network management (netapi32): computer facts, sessions, open files, local
// users and groups, and the buffers these calls hand out.
#include "platform/PlatApi.h"
#include <lm.h>

namespace plat {
PLAT_API NET_API_STATUS WINAPI NetApiBufferFree(LPVOID Buffer);
PLAT_API NET_API_STATUS WINAPI NetServerGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr);
PLAT_API NET_API_STATUS WINAPI NetWkstaGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr);
}  // namespace plat
