#pragma once
// Every function in namespace plat stands for the Win32 function of the same
// name, with the same parameters, results and error reporting. Two backends
// implement them: platform/win32 (a one-line forward to the real API, linked
// into the shipped DLLs) and the lab DLL (a simulated network, linked into the
// lab builds and the tests). The lab exports them; nothing else does.
// winsock2.h goes before windows.h, which otherwise brings in the older
// winsock.h that it clashes with; the name-resolution family needs either.
#ifndef _INC_WINDOWS
#include <winsock2.h>
#endif
#include <windows.h>

#if defined(PLAT_BUILDING_LAB)
#define PLAT_API __declspec(dllexport)
#else
#define PLAT_API
#endif
