#pragma once
// Texts from the module's string table.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace vantrel {

// The string `id` of the module's string table; empty when it has none.
std::wstring LoadText(UINT id);

// printf-style composition of a string-table format with %s insertions.
std::wstring FormatText(UINT formatId, std::initializer_list<std::wstring_view> insertions);

}  // namespace vantrel
