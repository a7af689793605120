#pragma once
// Small text helpers of the lab: UTF-8 <-> UTF-16, case-insensitive names,
// and copying into a caller's buffer.
#include "platform/PlatApi.h"  // windows.h, in the order the seam needs

#include <string>
#include <string_view>

namespace lab {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view text);

// Upper case as Windows compares computer and account names.
std::wstring Upper(std::wstring_view text);
std::wstring Lower(std::wstring_view text);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

// Copies `text` and a terminator into buffer[chars] when it fits (nothing is
// written otherwise). Returns the characters needed, terminator included.
DWORD CopyOut(std::wstring_view text, wchar_t* buffer, DWORD chars);

// "\\NAME" -> "NAME": the forms callers pass as server names.
std::wstring_view StripBackslashes(std::wstring_view name);

}  // namespace lab
