#pragma once
// Directory service objects bound by path ("WinNT://domain/computer/user,user").
#include "platform/PlatApi.h"
#include <activeds.h>

namespace plat {
PLAT_API HRESULT WINAPI ADsGetObject(LPCWSTR lpszPathName, REFIID riid, VOID** ppObject);
}  // namespace plat
