#pragma once
// Texts from the module's string table.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace vantrel {

// The string `id` of the module's string table; empty when there is none.
std::wstring LoadText(UINT id);

// String `id` cut to `maxChars` - 1 characters, as a LoadStringW buffer of
// that size would hold it; empty when there is none.
std::wstring LoadResourceString(UINT id, int maxChars = 256);

// `pattern` with each "%s" replaced by the next argument, in order (the
// string table's format strings use only %s).
std::wstring FormatText(const std::wstring& pattern, std::initializer_list<std::wstring> args);

// The same with the string-table format `formatId`; "%%" stands for "%".
std::wstring FormatText(UINT formatId, std::initializer_list<std::wstring_view> insertions);

}  // namespace vantrel
