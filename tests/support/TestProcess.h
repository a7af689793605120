#pragma once
// What every test program needs about itself: files beside its executable,
// and a single-threaded apartment for the scope of a test.
#include "common/Handles.h"

#include <windows.h>
#include <objbase.h>

#include <string>

namespace testsupport {

// `file` in the folder of the running test program (bin\).
inline std::wstring BinPath(const wchar_t* file) {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + file;
}

using vantrel::ComApartment;

}  // namespace testsupport
