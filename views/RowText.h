#pragma once
// How the sessions and open-files views write their cells.
#include <windows.h>

#include <string>

namespace vantrel {

// "hh:mm:ss" below a day, else "d <days> hh:mm:ss" (also for one day); at
// most 31 characters.
std::wstring DurationText(DWORD seconds, const std::wstring& days);

// `yes` for guest sessions (flags exactly 1), else `no`.
const std::wstring& GuestText(DWORD userFlags, const std::wstring& yes, const std::wstring& no);

// The granted access of an open file: write (0x2), read (0x1), create (0x4),
// in that order, joined by "+"; empty when none is set.
std::wstring OpenModeText(DWORD permissions, const std::wstring& write, const std::wstring& read,
                          const std::wstring& create);

// A client name taken as an IPv4 address: exactly three '.', decimal digits
// everywhere else, four numbers. The address has the first number highest.
bool ParseClientAddress(const wchar_t* client, DWORD* address);

}  // namespace vantrel
