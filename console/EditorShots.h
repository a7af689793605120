#pragma once
// Opens one service's property sheet through the module's ServiceEditor
// component, as the Services view does, and saves a picture of each page.
#include <cstdio>
#include <string>

namespace console {

// Writes FOLDER\editor-SERVICE-N.png for each page N (from 1) and lists the
// files on `out`; 0 on success.
int CaptureServiceEditor(const std::wstring& computer, const std::wstring& service, const std::wstring& folder,
                         std::FILE* out);

}  // namespace console
