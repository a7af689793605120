#pragma once
// Finding the module's windows the way a person sees them: by their caption.
#include <windows.h>

#include <string>

namespace console {

// The visible top-level window of this process with the caption, or null.
HWND FindWindowTitled(const std::wstring& caption);

}  // namespace console
