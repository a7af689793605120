// The Manage Services Wizard over many lab computers, through its real sheet
// walked with Next as a person would: every service-manager call takes the
// same real time, and the whole run is compared with the ideal for 63
// workers computed from a one-computer run of the same program.
//
//   manage_services_bench [computers] [callMs]
//       computers (630 by default) with five services each; each service
//       gets a new startup type. Prints the one-computer time, the run's
//       time, the ideal ceil(computers / 63) x the one-computer time, their
//       ratio (the target: at most 1.1) and the most workers and lab callers
//       seen at once (never above 63).
#include "bench/WizardBench.h"
#include "lab/LabControl.h"
#include "resources/resource.h"
#include "wizards/services/TvSheetManageServices.h"

#include <commctrl.h>
#include <prsht.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

namespace {

using wizardbench::Clock;
using wizardbench::CurrentPage;
using wizardbench::NextEnabled;
constexpr const char* kServiceCalls[] = {"OpenSCManagerW",       "OpenServiceW",        "QueryServiceStatus",
                                         "QueryServiceStatusEx", "QueryServiceConfigW", "ChangeServiceConfigW",
                                         "StartServiceW",        "ControlService",      "EnumDependentServicesW",
                                         "EnumServicesStatusExW", "CloseServiceHandle"};

std::string Network(int computers) {
    std::string services = R"([ { "name": "S1" }, { "name": "S2" }, { "name": "S3" }, { "name": "S4" }, { "name": "S5" } ])";
    std::string list = R"({ "name": "ADMIN01", "local": true, "administrators": ["LAB\\operator"], "services": )" +
                       services + " }";
    for (int i = 0; i < computers; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "C%04d", i);
        list += std::string(R"(, { "name": ")") + name + R"(", "administrators": ["LAB\\operator"], "services": )" +
                services + " }";
    }
    return R"({ "domain": { "name": "LAB" }, "interactiveUser": "LAB\\operator",
                "accounts": [ { "name": "LAB\\operator", "password": "Op3rator!" } ], "computers": [ )" +
           list + " ] }";
}

int CurrentIndex(HWND sheet) {
    return static_cast<int>(::SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(CurrentPage(sheet)), 0));
}

template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (::GetTickCount64() >= end) return false;
        ::Sleep(5);
    }
    return true;
}

bool Next(HWND sheet) {
    const int before = CurrentIndex(sheet);
    ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    return WaitUntil([&] { return CurrentIndex(sheet) != before; }, 20000);
}

struct RunResult {
    double seconds = 0;
    size_t lines = 0;
    size_t succeeded = 0;
    LONG peakWorkers = 0;
    DWORD peakCallers = 0;
};

// One wizard run over C0000 .. C(computers-1): every service set to Manual.
RunResult RunWizard(int computers, DWORD callMs) {
    std::wstring names;
    for (int i = 0; i < computers; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"C%04d", i);
        names += (i ? L"," : L"") + std::wstring(name);
    }
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = ::SysAllocString(names.c_str());
    vantrel::TvSheetManageServices sheet(nullptr);
    sheet.Build(&value);
    ::VariantClear(&value);
    RunResult result;
    std::thread driver([&] {
        HWND window = nullptr;
        WaitUntil([&] { return (window = sheet.Window()) != nullptr; }, 20000);
        if (!window) return;
        Next(window);  // computer list
        Next(window);  // services, from the first computer
        HWND list = ::GetDlgItem(CurrentPage(window), IDC_SELECTION_LIST);
        LVITEMW all{};
        all.state = all.stateMask = LVIS_SELECTED;
        ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
        ::SendMessageW(CurrentPage(window), WM_COMMAND, ID_SELECTION_CHECK, 0);
        Next(window);  // log on
        Next(window);  // startup
        ::SendDlgItemMessageW(CurrentPage(window), IDC_SVCWIZ_STARTUP_TYPE, CB_SETCURSEL, 1, 0);
        for (const char* call : kServiceCalls) LabAddLatency(nullptr, call, callMs);
        LabResetPeakConcurrentCallers();
        const Clock::time_point start = Clock::now();
        Next(window);  // progress: the run starts
        WaitUntil([&] { return NextEnabled(window); }, 3600000);
        result.seconds = wizardbench::Seconds(Clock::now() - start);
        result.peakCallers = LabPeakConcurrentCallers();
        LabClearRules();
        Next(window);
        ::PostMessageW(window, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    });
    sheet.Run();
    driver.join();
    for (const std::wstring& line : sheet.ResultLines()) {
        ++result.lines;
        if (line.rfind(L"Succeeded:", 0) == 0) ++result.succeeded;
    }
    result.peakWorkers = sheet.PeakWorkers();
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int computers = argc > 1 ? static_cast<int>(std::wcstol(argv[1], nullptr, 10)) : 630;
    const DWORD callMs = argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 100;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    LabReset();
    const std::string network = Network(computers);
    if (lab::LoadScenarioText(network.c_str()) != 0) {
        std::fprintf(stderr, "the scenario did not load\n");
        return 1;
    }
    const RunResult one = RunWizard(1, callMs);
    const RunResult all = RunWizard(computers, callMs);
    const double rounds = static_cast<double>((computers + 62) / 63);
    const double ideal = rounds * one.seconds;
    std::printf("computers %d, 5 services each, %lu ms per service-manager call\n", computers,
                static_cast<unsigned long>(callMs));
    std::printf("one computer: %.2f s (%zu lines)\n", one.seconds, one.lines);
    std::printf("all computers: %.2f s (%zu lines, %zu succeeded)\n", all.seconds, all.lines, all.succeeded);
    std::printf("ideal for 63 workers: %.0f x %.2f s = %.2f s; ratio %.3f (target <= 1.1)\n", rounds, one.seconds,
                ideal, all.seconds / ideal);
    std::printf("most workers at once: %ld; most lab callers at once: %lu\n", static_cast<long>(all.peakWorkers),
                static_cast<unsigned long>(all.peakCallers));
    LabReset();
    ::CoUninitialize();
    return all.succeeded == static_cast<size_t>(computers) * 5 ? 0 : 1;
}
