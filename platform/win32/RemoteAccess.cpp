#include "platform/RemoteAccess.h"

namespace {
// No import library of this toolchain defines the server data object class.
constexpr CLSID kClsidSdoMachine = {0xE9218AE7, 0x9E91, 0x11D1, {0xBF, 0x60, 0x00, 0x80, 0xC7, 0x84, 0x6B, 0xC0}};
}  // namespace

DWORD WINAPI plat::MprAdminServerConnect(LPWSTR lpwsServerName, MPR_SERVER_HANDLE* phMprServer) { return ::MprAdminServerConnect(lpwsServerName, phMprServer); }
VOID WINAPI plat::MprAdminServerDisconnect(MPR_SERVER_HANDLE hMprServer) { ::MprAdminServerDisconnect(hMprServer); }
DWORD WINAPI plat::MprAdminUserGetInfo(const WCHAR* lpszServer, const WCHAR* lpszUser, DWORD dwLevel, LPBYTE lpbBuffer) { return ::MprAdminUserGetInfo(lpszServer, lpszUser, dwLevel, lpbBuffer); }
DWORD WINAPI plat::MprAdminUserSetInfo(const WCHAR* lpszServer, const WCHAR* lpszUser, DWORD dwLevel, const LPBYTE lpbBuffer) { return ::MprAdminUserSetInfo(lpszServer, lpszUser, dwLevel, lpbBuffer); }
HRESULT WINAPI plat::CreateSdoMachine(ISdoMachine** ppMachine) { return ::CoCreateInstance(kClsidSdoMachine, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ISdoMachine), reinterpret_cast<void**>(ppMachine)); }
