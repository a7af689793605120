// vantrel-console: hosts Vantrel.dll as the management console does.
//   vantrel-console --report   print what the module offers and exit
#include "console/Report.h"

#include <objbase.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    bool report = false;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--report") == 0) {
            report = true;
        } else {
            std::fwprintf(stderr, L"vantrel-console: unknown argument %ls\nusage: vantrel-console --report\n", argv[i]);
            return 2;
        }
    }
    if (!report) {
        std::fwprintf(stderr, L"usage: vantrel-console --report\n");
        return 2;
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int failures = console::WriteModuleReport(stdout);
    ::CoUninitialize();
    return failures == 0 ? 0 : 1;
}
