#pragma once
// Closing kernel handles. The seam hands out two kinds: logon tokens
// (LogonUserW) and files on a computer's administrative share (CreateFileW).
// plat::CloseHandle accepts any handle: the lab closes and accounts the ones
// it issued and passes every other handle (threads, events, local files) on to
// the system, so one RAII owner can close every kernel handle through it.
#include "platform/PlatApi.h"

namespace plat {
PLAT_API BOOL WINAPI CloseHandle(HANDLE hObject);
}  // namespace plat
