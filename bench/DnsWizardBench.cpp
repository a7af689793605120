// The Check DNS Records Wizard's search over many lab computers, through its
// real sheet, walked with Next as a person would.
//
//   dns_wizard_bench [computers] [records] [answerMs]
//       every computer's netlogon.dns holds `records` lines (its address and
//       SRV records, all in the zone) and every DNS answer takes answerMs
//       (real time); each record is looked up twice. The phase should end
//       within 1.05 x the ideal: computers / 10 x the time of one check job,
//       measured alone first in the same run.
#include "bench/WizardBench.h"
#include "lab/LabControl.h"
#include "wizards/OperationWizards.h"
#include "wizards/dns/DnsJobs.h"

#include <commctrl.h>
#include <prsht.h>

#include <cctype>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string Name(DWORD i) {
    char name[16];
    std::snprintf(name, sizeof name, "C%05lu", static_cast<unsigned long>(i));
    return name;
}

// `computers` computers C00000... with `records` registered lines each, every
// one of them in the zone.
std::string Scenario(DWORD computers, DWORD records) {
    std::string computersJson, zone;
    for (DWORD i = 0; i < computers; ++i) {
        const std::string name = Name(i);
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::string ip = "10." + std::to_string(i / 62500 % 250) + "." + std::to_string(i / 250 % 250) + "." +
                               std::to_string(i % 250 + 1);
        std::string lines = "\"" + lower + ".lab.local. 600 IN A " + ip + "\"";
        for (DWORD r = 1; r < records; ++r) {
            const std::string owner = "_svc" + std::to_string(r) + "._tcp." + lower + ".lab.local";
            lines += ", \"" + owner + ". 600 IN SRV 0 100 " + std::to_string(1000 + r) + " " + lower + ".lab.local.\"";
            zone += std::string(zone.empty() ? "" : ",\n") + "{ \"name\": \"" + owner +
                    "\", \"type\": \"SRV\", \"data\": \"" + lower + ".lab.local\" }";
        }
        computersJson += std::string(i ? ",\n" : "") + "{ \"name\": \"" + name + "\", \"ip\": \"" + ip + "\"" +
                         (i == 0 ? ", \"local\": true" : "") +
                         ", \"administrators\": [\"LAB\\\\operator\"], \"netlogonDns\": [" + lines + "] }";
    }
    return "{ \"domain\": { \"name\": \"LAB\", \"dnsName\": \"lab.local\" }, \"interactiveUser\": \"LAB\\\\operator\",\n"
           "\"accounts\": [ { \"name\": \"LAB\\\\operator\", \"password\": \"x\" } ],\n\"computers\": [\n" +
           computersJson + "],\n\"dnsZone\": { \"records\": [\n" + zone + "] } }";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    auto arg = [&](int i, DWORD fallback) { return argc > i ? static_cast<DWORD>(std::wcstoul(argv[i], nullptr, 10)) : fallback; };
    const DWORD computers = arg(1, 1000), records = arg(2, 30), answerMs = arg(3, 5);
    std::wstring error;
    if (lab::LoadScenarioText(Scenario(computers, records), &error) != 0) {
        std::fwprintf(stderr, L"scenario: %ls\n", error.c_str());
        return 1;
    }
    LabAddLatency(nullptr, "DnsQuery_W", answerMs);
    std::wstring list;
    for (DWORD i = 0; i < computers; ++i) list += (i ? L"," : L"") + lab::ComputerName(i);
    bool missing = false;
    const double single = wizardbench::SingleJobSeconds<vantrel::DnsCheckJob>(
        lab::ComputerName(1 % computers), 5,
        [&missing](const vantrel::DnsCheckJob& job) { missing = job.status != S_OK || job.missingRecords != 0; });
    // Nothing is missing: Next after the search goes on to the completion page.
    const wizardbench::PhaseRun run =
        wizardbench::RunOperationWizard(vantrel::kOperationCheckDns, list, 0, 1200, [](HWND) { ::Sleep(10); });
    const double ideal = static_cast<double>(computers) / 10.0 * single;
    size_t succeeded = 0;
    for (const std::wstring& line : run.lines) succeeded += line.find(L" succeeded: ") != std::wstring::npos;
    std::printf("dns check: %lu computers x %lu records, %lu ms per DNS answer, two lookups per record, 10 threads\n",
                static_cast<unsigned long>(computers), static_cast<unsigned long>(records),
                static_cast<unsigned long>(answerMs));
    std::printf("single job %.3f s%s; ideal %.2f s; phase %.2f s; phase / ideal %.3f; %zu lines, %zu succeeded\n",
                single, missing ? " (records missing!)" : "", ideal, run.phaseSeconds, run.phaseSeconds / ideal,
                run.lines.size(), succeeded);
    ::CoUninitialize();
    return run.ended && !missing && succeeded == computers ? 0 : 1;
}
