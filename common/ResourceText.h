#pragma once
// Texts of the module's string table.
#include <windows.h>

#include <string>

namespace vantrel {

// String `id` of the module's string table, cut to `maxChars` - 1 characters
// as a LoadStringW buffer of that size would hold it; empty when there is none.
std::wstring LoadResourceString(UINT id, int maxChars = 256);

}  // namespace vantrel
