// Batch service control over many computers: IMultiServiceControl::Control
// starts one job per computer, each on its own thread. With SCF_ASYNCHRONOUS
// the whole batch should take about as long as its slowest job, not the sum.
//
//   service_control_bench [computers] [services] [latencyMs] [startMs] [samples]
//
// Every computer answers each call after `latencyMs` (real time) and its
// services spend `startMs` in START_PENDING, so each job waits on real polls.
#include "component/ComputerResMgmtUI.h"
#include "lab/LabControl.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string Scenario(int computers, int services, int latencyMs, int startMs) {
    std::string list;
    for (int s = 1; s <= services; ++s) {
        list += std::string(s > 1 ? "," : "") + "{\"name\":\"Bench" + std::to_string(s) +
                "\",\"startMs\":" + std::to_string(startMs) + ",\"stopMs\":" + std::to_string(startMs) + "}";
    }
    std::string text = R"({"domain":{"name":"LAB"},"interactiveUser":"LAB\\operator",
        "accounts":[{"name":"LAB\\operator","password":"x"}],"computers":[)";
    for (int c = 0; c < computers; ++c) {
        char name[16];
        std::snprintf(name, sizeof name, "BN%04d", c);
        text += std::string(c ? "," : "") + "{\"name\":\"" + name + "\",\"local\":" + (c ? "false" : "true") +
                ",\"administrators\":[\"LAB\\\\operator\"],\"latencyMs\":" + std::to_string(latencyMs) +
                ",\"services\":[" + list + "]}";
    }
    return text + "]}";
}

IMultiServiceControl* NewBatch() {
    IMultiServiceControl* batch = nullptr;
    vantrel::ComputerResMgmtUI::Create(nullptr, IID_IMultiServiceControl, reinterpret_cast<void**>(&batch));
    return batch;
}

void Add(IMultiServiceControl* batch, int computer, int services) {
    wchar_t name[16];
    std::swprintf(name, 16, L"BN%04d", computer);
    for (int s = 1; s <= services; ++s) {
        BSTR c = ::SysAllocString(name);
        BSTR n = ::SysAllocString((L"Bench" + std::to_wstring(s)).c_str());
        batch->AddService(c, n);
        ::SysFreeString(c);
        ::SysFreeString(n);
    }
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    const int computers = argc > 1 ? std::atoi(argv[1]) : 200;
    const int services = argc > 2 ? std::atoi(argv[2]) : 5;
    const int latencyMs = argc > 3 ? std::atoi(argv[3]) : 5;
    const int startMs = argc > 4 ? std::atoi(argv[4]) : 1500;
    const int samples = argc > 5 ? std::atoi(argv[5]) : 3;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    LabReset();
    std::wstring error;
    if (lab::LoadScenarioText(Scenario(computers, services, latencyMs, startMs), &error) != 0) {
        std::fwprintf(stderr, L"%ls\n", error.c_str());
        return 1;
    }

    // Single jobs, synchronously, one computer at a time.
    double slowest = 0;
    for (int i = 0; i < samples; ++i) {
        IMultiServiceControl* batch = NewBatch();
        Add(batch, i * (computers / samples), services);
        const auto t0 = Clock::now();
        batch->Control(0, SCMD_START, SCF_SYNCHRONOUS);
        const double took = Seconds(Clock::now() - t0);
        slowest = took > slowest ? took : slowest;
        std::printf("single job %d: %.2f s\n", i, took);
        batch->Control(0, SCMD_STOP, SCF_SYNCHRONOUS);  // back to stopped
        batch->Release();
    }

    // The whole network at once.
    IMultiServiceControl* batch = NewBatch();
    for (int c = 0; c < computers; ++c) Add(batch, c, services);
    LabResetCallCounts();
    const auto t0 = Clock::now();
    batch->Control(0, SCMD_START, SCF_ASYNCHRONOUS);
    const double returned = Seconds(Clock::now() - t0);
    // Done when every job has let go of its handles (their last step).
    while (LabOutstanding(LAB_KIND_ANY) != 0) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const double total = Seconds(Clock::now() - t0);
    const DWORD starts = LabCallCount(nullptr, "StartServiceW");
    batch->Release();
    std::printf("computers %d x services %d, latency %d ms/call, start %d ms\n", computers, services, latencyMs,
                startMs);
    std::printf("Control returned after %.2f s; all %d jobs done after %.2f s (%lu starts)\n", returned, computers,
                total, static_cast<unsigned long>(starts));
    std::printf("slowest single job %.2f s; total / slowest = %.2f\n", slowest, total / slowest);
    ::CoUninitialize();
    return 0;
}
