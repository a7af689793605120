// The Disable Guest Accounts Wizard over many lab computers, through its real
// sheet, walked with Next as a person would.
//
//   wizard_run_bench throughput [computers] [jobMs]
//       every computer's account-domain query takes jobMs (real time); the
//       phase should end within 1.03 x the ideal (computers / 10 x the time
//       of one job, measured first in the same run)
//   wizard_run_bench abandon [computers] [waitMs] [hangMs]
//       10% of the computers are offline and 5% answer after hangMs, longer
//       than the manager's wait (waitMs): the run ends, each computer has a
//       line or was cut off by the abandon rule, and once the hanging calls
//       have returned nothing is left unreleased
//
// Both print the user-interface thread's latency while the phase runs: a
// probe sends the wizard window WM_NULL every 20 ms and times the answer.
#include "bench/WizardBench.h"
#include "lab/LabControl.h"
#include "wizards/OperationWizards.h"
#include "wizards/accounts/AccountJobs.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace {

using wizardbench::Clock;

std::vector<std::wstring> Computers() {
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < LabComputerCount(); ++i) names.push_back(lab::ComputerName(i));
    return names;
}

struct ProbedRun {
    wizardbench::PhaseRun phase;
    std::vector<double> latenciesMs;
};

// Runs the wizard on this thread and probes its window while the phase runs.
ProbedRun RunWizard(const std::vector<std::wstring>& computers, DWORD waitMs, unsigned timeoutSeconds) {
    std::wstring list;
    for (const std::wstring& c : computers) list += (list.empty() ? L"" : L",") + c;
    ProbedRun run;
    run.phase = wizardbench::RunOperationWizard(vantrel::kOperationDisableGuest, list, waitMs, timeoutSeconds,
                                                [&run](HWND sheet) {
                                                    const Clock::time_point sent = Clock::now();
                                                    DWORD_PTR ignored = 0;
                                                    ::SendMessageTimeoutW(sheet, WM_NULL, 0, 0, SMTO_NORMAL, 5000,
                                                                          &ignored);
                                                    run.latenciesMs.push_back(
                                                        std::chrono::duration<double, std::milli>(Clock::now() - sent)
                                                            .count());
                                                    ::Sleep(20);
                                                });
    return run;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

void PrintLatency(const ProbedRun& run) {
    std::printf("UI thread latency while the phase ran: %zu probes, p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                run.latenciesMs.size(), Percentile(run.latenciesMs, 0.5), Percentile(run.latenciesMs, 0.99),
                Percentile(run.latenciesMs, 1.0));
}

int Throughput(DWORD computers, DWORD jobMs) {
    LabGenerateNetwork(computers, 7);
    LabShapeNetwork(7, 0, 0, 0, 0, 0);  // every computer online
    LabAddLatency(nullptr, "NetUserModalsGet", jobMs);
    const std::vector<std::wstring> names = Computers();
    const double single = wizardbench::SingleJobSeconds<vantrel::GuestAccountJob>(names[1], 10, [](auto&) {});
    const ProbedRun probed = RunWizard(names, 0, 600);
    const wizardbench::PhaseRun& run = probed.phase;
    const double ideal = static_cast<double>(names.size()) / 10.0 * single;
    std::printf("throughput: %zu computers, %lu ms per job (lab latency), 10 threads\n", names.size(),
                static_cast<unsigned long>(jobMs));
    std::printf("single job %.3f s; ideal %.2f s; phase %.2f s; phase / ideal %.3f; %zu result lines\n", single, ideal,
                run.phaseSeconds, run.phaseSeconds / ideal, run.lines.size());
    PrintLatency(probed);
    return run.ended && run.lines.size() == names.size() ? 0 : 1;
}

int Abandon(DWORD computers, DWORD waitMs, DWORD hangMs) {
    LabGenerateNetwork(computers, 11);
    LabShapeNetwork(11, 10, 0, 0, 5, hangMs);
    LabResetAccounting();
    LabResetCallCounts();
    const std::vector<std::wstring> names = Computers();
    const ProbedRun probed = RunWizard(names, waitMs, 600);
    const wizardbench::PhaseRun& run = probed.phase;
    std::map<std::wstring, std::wstring> lineOf;
    size_t notExecuted = 0;
    for (const std::wstring& line : run.lines) {
        const std::wstring name = line.substr(0, line.find(L' '));
        lineOf[name] = line;
        notExecuted += line.find(L" not executed: ") != std::wstring::npos;
    }
    size_t cutOff = 0, missing = 0, offline = 0, failed = 0;
    for (const std::wstring& name : names) {
        auto it = lineOf.find(name);
        if (it == lineOf.end()) {
            // No line: its job was running when the manager gave up (it reached the lab).
            (LabCallCount(name.c_str(), nullptr) > 0 ? cutOff : missing)++;
        } else {
            offline += it->second.find(L"[0x80070035]") != std::wstring::npos;
            failed += it->second.find(L" failed: ") != std::wstring::npos;
        }
    }
    std::printf("abandon: %zu computers (10%% offline, 5%% answering after %lu ms), manager wait %lu ms\n",
                names.size(), static_cast<unsigned long>(hangMs), static_cast<unsigned long>(waitMs));
    std::printf("run ended: %s after %.2f s; lines %zu (not executed %zu, failed %zu of which offline %zu); cut off %zu; "
                "lines + cut off = %zu; computers with neither: %zu\n",
                run.ended ? "yes" : "no", run.phaseSeconds, lineOf.size(), notExecuted, failed, offline, cutOff,
                lineOf.size() + cutOff, missing);
    PrintLatency(probed);
    // The hanging calls return; then every buffer and handle must be back.
    ::Sleep(hangMs + 2000);
    std::wstring leaks;
    for (int i = 0; i < 50 && (leaks = lab::LeakReport()) != L"clean"; ++i) ::Sleep(200);
    std::printf("after the hanging calls returned: %ls\n", leaks.c_str());
    return run.ended && missing == 0 && lineOf.size() + cutOff == names.size() && leaks == L"clean" ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring mode = argc > 1 ? argv[1] : L"throughput";
    auto arg = [&](int i, DWORD fallback) { return argc > i ? static_cast<DWORD>(std::wcstoul(argv[i], nullptr, 10)) : fallback; };
    int rc;
    if (mode == L"abandon") {
        rc = Abandon(arg(2, 1024), arg(3, 1000), arg(4, 4000));
    } else {
        rc = Throughput(arg(2, 1000), arg(3, 100));
    }
    ::CoUninitialize();
    return rc;
}
