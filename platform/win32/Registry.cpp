#include "platform/Registry.h"

LONG WINAPI plat::RegConnectRegistryW(LPCWSTR lpMachineName, HKEY hKey, PHKEY phkResult) { return ::RegConnectRegistryW(lpMachineName, hKey, phkResult); }
LONG WINAPI plat::RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) { return ::RegOpenKeyExW(hKey, lpSubKey, ulOptions, samDesired, phkResult); }
LONG WINAPI plat::RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions, REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult, LPDWORD lpdwDisposition) { return ::RegCreateKeyExW(hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired, lpSecurityAttributes, phkResult, lpdwDisposition); }
LONG WINAPI plat::RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) { return ::RegQueryInfoKeyW(hKey, lpClass, lpcchClass, lpReserved, lpcSubKeys, lpcbMaxSubKeyLen, lpcbMaxClassLen, lpcValues, lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor, lpftLastWriteTime); }
LONG WINAPI plat::RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) { return ::RegEnumKeyExW(hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass, lpftLastWriteTime); }
LONG WINAPI plat::RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) { return ::RegEnumValueW(hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData, lpcbData); }
LONG WINAPI plat::RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) { return ::RegQueryValueExW(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData); }
LONG WINAPI plat::RegGetValueW(HKEY hkey, LPCWSTR lpSubKey, LPCWSTR lpValue, DWORD dwFlags, LPDWORD pdwType, PVOID pvData, LPDWORD pcbData) { return ::RegGetValueW(hkey, lpSubKey, lpValue, dwFlags, pdwType, pvData, pcbData); }
LONG WINAPI plat::RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData) { return ::RegSetValueExW(hKey, lpValueName, Reserved, dwType, lpData, cbData); }
LONG WINAPI plat::RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) { return ::RegDeleteValueW(hKey, lpValueName); }
LONG WINAPI plat::RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) { return ::RegDeleteKeyW(hKey, lpSubKey); }
LONG WINAPI plat::RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) { return ::RegDeleteTreeW(hKey, lpSubKey); }
LONG WINAPI plat::RegCloseKey(HKEY hKey) { return ::RegCloseKey(hKey); }
