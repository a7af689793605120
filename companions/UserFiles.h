#pragma once
// Where the companions keep their files: per user, in a Vantrel folder of one
// of the user's profile folders, unless an environment variable names the
// file (tests, and people who want the file elsewhere).
#include <windows.h>

#include <string>

namespace vantrel::companions {

// `variable` when set and not empty (made absolute), otherwise
// <profile folder `csidl`>\Vantrel\<fileName>. Creates nothing.
HRESULT ResolveUserFile(const wchar_t* variable, int csidl, const wchar_t* fileName, std::wstring* path) noexcept;

// Creates the folders above `path` that do not exist yet.
HRESULT CreateParentFolders(const std::wstring& path) noexcept;

}  // namespace vantrel::companions
