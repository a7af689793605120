// How fast a services view fills with 2,000 services, against the floor of
// inserting the same rows into the same list on the user-interface thread
// with redraw off; then, with every lab call delayed, how quickly the
// user-interface thread answers a posted message while the view fills.
//   services_view_bench.exe [services=2000] [runs=3] [latencyMs=5]
#include "platform/PlatApi.h"  // first: windows.h in the order the seam needs
#include "lab/LabControl.h"
#include "resources/ViewsIds.h"
#include "services/ServiceControlManager.h"
#include "services/TvServiceEnum.h"
#include "views/ResourceView.h"
#include "views/ServiceRows.h"
#include "views/ServicesView.h"
#include "public/ViewMessages.h"
#include "bench/FillMeasure.h"

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace fillbench;

constexpr wchar_t kComputer[] = L"BIG";

// One computer with `count` services of every kind the view shows.
std::string Scenario(unsigned count) {
    static const char* const kinds[] = {
        R"("startType": "auto", "account": "NT AUTHORITY\\LocalService", "description": "Keeps the lights on")",
        R"("startType": "demand")",
        R"("startType": "disabled", "account": "NT AUTHORITY\\NetworkService")",
        R"("startType": "demand", "state": "paused", "acceptPause": true, "description": "Paused for maintenance")",
    };
    std::string services;
    for (unsigned i = 0; i < count; ++i) {
        char entry[512];
        std::snprintf(entry, sizeof entry, R"(%s{ "name": "Svc%05u", "displayName": "Service %05u of the bench", %s })",
                      i ? ",\n" : "", i, (i * 7919u) % count, kinds[i % 4]);
        services += entry;
    }
    return R"({ "domain": { "name": "LAB" }, "interactiveUser": "LAB\\admin",
  "accounts": [ { "name": "LAB\\admin", "password": "a", "groups": ["LAB\\Domain Admins"] } ],
  "computers": [ { "name": "ADMIN01", "local": true, "ip": "10.0.0.10" },
                 { "name": "BIG", "ip": "10.0.0.20", "services": [)" +
           services + "] } ] }";
}

// The rows as the view writes them, read once the same way.
Rows ServiceRows() {
    vantrel::ComPtr<vantrel::ServiceControlManager> scm;
    vantrel::ServiceControlManager::Connect(kComputer, scm);
    scm->Open(L"ServicesActive");
    vantrel::ComPtr<vantrel::TvServiceEnum> services;
    scm->EnumServices(services);
    Rows rows;
    for (size_t i = 0; i < services->Count(); ++i) {
        vantrel::ServiceRef reader((*services.Get())[i]);
        std::vector<std::wstring> row;
        for (const auto& cell : vantrel::ReadServiceCells(reader, vantrel::kRefreshAll)) row.push_back(cell.value_or(L""));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const unsigned services = argc > 1 ? static_cast<unsigned>(std::wcstoul(argv[1], nullptr, 10)) : 2000;
    const int runs = argc > 2 ? _wtoi(argv[2]) : 3;
    const DWORD latency = argc > 3 ? std::wcstoul(argv[3], nullptr, 10) : 5;
    BeginBench();
    wchar_t error[512] = {};
    if (LabLoadScenarioText(Scenario(services).c_str(), L"bench", error, 512) != 0) {
        std::wprintf(L"scenario: %ls\n", error);
        return 1;
    }

    HWND view = OpenView(vantrel::ServicesView(), kComputer);
    const double readStart = Now();
    const auto rows = ServiceRows();
    const double readMs = Now() - readStart;
    HWND list = ::GetDlgItem(view, IDC_VIEW_LIST);

    std::printf("services view fill, %u services, %d runs (visible 900x600 window)\n", services, runs);
    std::printf("reading the rows alone (this thread, no list): %.0f ms\n", readMs);
    std::printf("run  direct-ms  view-ms  ratio  rows  latency-p50-ms  p99-ms  max-ms\n");
    for (int r = 0; r < runs; ++r) {
        const double floor = DirectInsertion(list, rows, 2);
        const Fill fill = ViewFill(view);
        std::printf("%3d  %9.0f  %7.0f  %5.2f  %5d  %14.1f  %6.1f  %6.1f\n", r + 1, floor, fill.ms, fill.ms / floor,
                    fill.rows, fill.p50, fill.p99, fill.max);
        std::fflush(stdout);
    }

    if (latency > 0) {
        LabAddLatency(kComputer, nullptr, latency);
        LabResetCallCounts();
        const Fill fill = ViewFill(view);
        const DWORD calls = LabCallCount(kComputer, nullptr);
        std::printf("with %lu ms per call: fill %.0f ms, %d rows, %lu calls (%.1f per row), %zu probes, "
                    "latency p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                    static_cast<unsigned long>(latency), fill.ms, fill.rows, static_cast<unsigned long>(calls),
                    fill.rows ? static_cast<double>(calls) / fill.rows : 0.0, fill.samples, fill.p50, fill.p99, fill.max);
        LabClearRules();
    }
    EndBench(view);
    return 0;
}
