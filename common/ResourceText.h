#pragma once
// Texts from the module's string table.
#include <windows.h>

#include <initializer_list>
#include <string>

namespace vantrel {

// The string `id` of the module's string table; empty when there is none.
std::wstring LoadText(UINT id);

// `pattern` with each "%s" replaced by the next argument, in order (the
// string table's format strings use only %s).
std::wstring FormatText(const std::wstring& pattern, std::initializer_list<std::wstring> args);

}  // namespace vantrel
