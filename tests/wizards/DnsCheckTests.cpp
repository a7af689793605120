// The DNS record check of one computer against lab computers: the
// registration list from the administrative share (or the made-up address
// line), both lookups of every record and their statuses, the two jobs, and
// the Net Logon restart through management instrumentation on the batch
// manager's single-threaded workers.
#include "common/ComPtr.h"
#include "lab/LabControl.h"
#include "platform/NameResolution.h"
#include "tests/support/LabServiceStatus.h"
#include "wizards/dns/DnsCheck.h"
#include "wizards/dns/DnsJobs.h"

#include <gtest/gtest.h>

#include <thread>

namespace vantrel {
namespace {

constexpr char kNetwork[] = R"({
  "domain": { "name": "LAB", "dnsName": "lab.local" },
  "interactiveUser": "LAB\\operator",
  "accounts": [ { "name": "LAB\\operator", "password": "x" } ],
  "computers": [
    { "name": "ADMIN01", "local": true, "ip": "10.0.0.1", "administrators": ["LAB\\operator"] },
    { "name": "GOOD", "ip": "10.0.1.1", "administrators": ["LAB\\operator"], "netlogonDns": [
      "; Net Logon's records",
      "good.lab.local. 600 IN A 10.0.1.1",
      "  _ldap._tcp.lab.local. 600 IN SRV 0 100 389 Good.LAB.local.  ",
      "",
      "alias.lab.local. 600 IN CNAME GOOD.lab.local." ] },
    { "name": "WRONGIP", "ip": "10.0.1.2", "administrators": ["LAB\\operator"],
      "netlogonDns": [ "wrongip.lab.local. 600 IN A 10.0.9.9" ] },
    { "name": "NOSRV", "ip": "10.0.1.3", "administrators": ["LAB\\operator"], "netlogonDns": [
      "nosrv.lab.local. 600 IN A 10.0.1.3",
      "_kerberos._tcp.lab.local. 600 IN SRV 0 100 88 nosrv.lab.local." ] },
    { "name": "OTHERTYPE", "ip": "10.0.1.4", "administrators": ["LAB\\operator"],
      "netlogonDns": [ "othertype.lab.local. 600 IN TXT hello" ] },
    { "name": "FAILING", "ip": "10.0.1.5", "administrators": ["LAB\\operator"],
      "netlogonDns": [ "broken.lab.local. 600 IN A 10.0.1.5" ] },
    { "name": "COMMENTS", "administrators": ["LAB\\operator"], "netlogonDns": [ "; one", "   ; two", "" ] },
    { "name": "NOFILE", "ip": "10.0.1.6", "administrators": ["LAB\\operator"] },
    { "name": "NOADDRESS", "administrators": ["LAB\\operator"] },
    { "name": "DENIED", "administrators": ["LAB\\operator"], "netlogonDns": { "access": "denied" } },
    { "name": "LOCKED", "administrators": ["LAB\\operator"], "netlogonDns": { "access": "unreadable" } },
    { "name": "NOTMINE", "ip": "10.0.1.7", "administrators": [], "netlogonDns": [ "notmine.lab.local. 600 IN A 10.0.1.7" ] },
    { "name": "DOWN", "ip": "10.0.1.8", "online": false, "administrators": ["LAB\\operator"] }
  ],
  "dnsZone": {
    "records": [
      { "name": "_ldap._tcp.lab.local", "type": "SRV", "data": "good.lab.local", "port": 389 },
      { "name": "_kerberos._tcp.lab.local", "type": "SRV", "data": "good.lab.local", "port": 88 },
      { "name": "alias.lab.local", "type": "CNAME", "data": "good.lab.local" }
    ],
    "failures": [ { "name": "broken.lab.local", "error": 9002 } ]
  }
})";

class DnsCheck : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0u, LabReset());
        std::wstring error;
        ASSERT_EQ(0u, lab::LoadScenarioText(kNetwork, &error)) << error;
    }
    void TearDown() override {
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabReset();
    }
};

TEST_F(DnsCheck, RegistrationListsFromTheShareOrMadeUp) {
    using Lines = std::vector<std::wstring>;
    struct Case {
        const wchar_t* computer;
        HRESULT result;
        Lines lines;
        const wchar_t* failure;
    } const cases[] = {
        {L"GOOD", S_OK,
         {L"good.lab.local. 600 IN A 10.0.1.1\n", L"_ldap._tcp.lab.local. 600 IN SRV 0 100 389 Good.LAB.local.\n",
          L"alias.lab.local. 600 IN CNAME GOOD.lab.local.\n"},
         L""},
        {L"COMMENTS", S_OK, {}, L""},
        // Without the file, the computer's own address record.
        {L"NOFILE", S_OK, {L"NOFILE 600 IN A 10.0.1.6\r\n"}, L""},
        {L"NOADDRESS", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), {}, kUnableToReadIpData},
        {L"DENIED", E_ACCESSDENIED, {}, kUnableToReadIpData},
        {L"NOTMINE", E_ACCESSDENIED, {}, kUnableToReadIpData},
        {L"LOCKED", HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION), {}, kUnableToReadIpData},
        {L"DOWN", HRESULT_FROM_WIN32(ERROR_BAD_NETPATH), {}, kUnableToReadIpData},
    };
    for (const Case& c : cases) {
        Lines lines{L"left over"};
        std::wstring failure;
        EXPECT_EQ(c.result, ReadRegistrationFile(c.computer, lines, &failure)) << c.computer;
        EXPECT_EQ(c.lines, lines) << c.computer;
        EXPECT_EQ(c.failure, failure) << c.computer;
    }
    // Winsock is started for each resolution and stopped again.
    EXPECT_EQ(SOCKET_ERROR, plat::WSACleanup());
}

TEST_F(DnsCheck, EveryRecordIsLookedUpTwiceAndCompared) {
    using Entry = std::tuple<std::wstring, int, int>;
    struct Case {
        const wchar_t* computer;
        std::vector<Entry> entries;
        bool missing;
    } const cases[] = {
        // A by address, SRV target and CNAME host without regard to case, the final dot dropped.
        {L"GOOD",
         {{L"good.lab.local.", 0, 0}, {L"_ldap._tcp.lab.local.", 0, 0}, {L"alias.lab.local.", 0, 0}},
         false},
        {L"WRONGIP", {{L"wrongip.lab.local.", 1, 1}}, true},
        {L"NOSRV", {{L"nosrv.lab.local.", 0, 0}, {L"_kerberos._tcp.lab.local.", 1, 1}}, true},
        {L"OTHERTYPE", {{L"othertype.lab.local.", 2, 2}}, true},
        {L"FAILING", {{L"broken.lab.local.", 3, 3}}, true},
        {L"NOFILE", {{L"NOFILE", 0, 0}}, false},
    };
    for (const Case& c : cases) {
        LabResetCallCounts();
        std::unique_ptr<DnsRecordCollector> collector;
        ASSERT_EQ(S_OK, CheckDnsRecords(c.computer, collector)) << c.computer;
        ASSERT_TRUE(collector);
        std::vector<Entry> entries;
        for (const auto& e : collector->Entries()) {
            entries.emplace_back(e.name, e.first, e.second);
            EXPECT_EQ(c.computer, e.computer);
        }
        EXPECT_EQ(c.entries, entries) << c.computer;
        EXPECT_EQ(c.missing, collector->MissingRecords()) << c.computer;
        EXPECT_EQ(2 * c.entries.size(), LabCallCount(nullptr, "DnsQuery_W")) << c.computer;
    }
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_DNS_RECORD_LIST));
}

TEST_F(DnsCheck, ARecordFoundOnlyTheSecondTimeIsNotMissing) {
    // The first lookup fails, the repeat finds the record: the highest first
    // status is 3, the highest second 0, and nothing counts as missing.
    LabAddFault(nullptr, "DnsQuery_W", DNS_ERROR_RCODE_SERVER_FAILURE, 1, 1);
    std::unique_ptr<DnsRecordCollector> collector;
    ASSERT_EQ(S_OK, CheckDnsRecords(L"NOFILE", collector));
    EXPECT_EQ(3, collector->HighestFirst());
    EXPECT_EQ(0, collector->HighestSecond());
    EXPECT_FALSE(collector->MissingRecords());
}

TEST_F(DnsCheck, FailuresDiscardTheCollector) {
    struct Case {
        const wchar_t* computer;
        HRESULT result;
        const wchar_t* failure;
    } const cases[] = {
        {L"COMMENTS", E_FAIL, kCollectorNotInitialized},
        {L"NOADDRESS", static_cast<HRESULT>(0x80070002), kUnableToReadIpData},
        {L"DENIED", static_cast<HRESULT>(0x80070005), kUnableToReadIpData},
    };
    for (const Case& c : cases) {
        auto collector = std::make_unique<DnsRecordCollector>();
        std::wstring failure;
        EXPECT_EQ(c.result, CheckDnsRecords(c.computer, collector, &failure)) << c.computer;
        EXPECT_FALSE(collector) << c.computer;
        EXPECT_EQ(c.failure, failure) << c.computer;
    }
}

TEST_F(DnsCheck, CheckJobsMarkMissingRecordsOnlyOnSuccess) {
    struct Case {
        const wchar_t* computer;
        HRESULT status;
        LONG mark;
        const wchar_t* message;
    } const cases[] = {
        {L"GOOD", S_OK, 0, L"Check DNS Records"},
        {L"WRONGIP", S_OK, kRecordsMissing, L"Check DNS Records"},
        {L"FAILING", S_OK, kRecordsMissing, L"Check DNS Records"},
        {L"COMMENTS", E_FAIL, 0, kCollectorNotInitialized},
        {L"DOWN", HRESULT_FROM_WIN32(ERROR_BAD_NETPATH), 0, kUnableToReadIpData},
        {L"", HRESULT_FROM_WIN32(ERROR_INVALID_COMPUTERNAME), 0, L"Check DNS Records"},
    };
    for (const Case& c : cases) {
        DnsCheckJob prototype;
        DnsCheckJob job(prototype);
        job.computerName.Reset(::SysAllocString(c.computer));
        EXPECT_EQ(c.status, job.Execute()) << c.computer;
        EXPECT_EQ(c.status, job.status) << c.computer;
        EXPECT_EQ(c.mark, job.missingRecords) << c.computer;
        EXPECT_STREQ(c.message, job.message.Get()) << c.computer;
        DnsCheckJob copy(job);
        EXPECT_EQ(c.mark, copy.missingRecords);
    }
}

DWORD NetlogonProcess(const wchar_t* server) { return testsupport::LabServiceStatus(server, L"Netlogon").dwProcessId; }

// Runs `body` on a thread of its own, first made a single-threaded apartment
// as the batch manager's workers are; `apartmentAfter` is what a second
// initialisation says afterwards (S_FALSE: the apartment is still there).
template <typename Body>
void OnWorkerThread(bool singleThreaded, Body body, HRESULT& apartmentAfter) {
    std::thread worker([&] {
        const HRESULT first = singleThreaded ? ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) : S_FALSE;
        body();
        apartmentAfter = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(apartmentAfter)) ::CoUninitialize();
        if (singleThreaded && SUCCEEDED(first)) ::CoUninitialize();
    });
    worker.join();
}

TEST_F(DnsCheck, RestartOnASingleThreadedWorkerKeepsItsApartment) {
    LabSetVirtualClock(TRUE);
    const DWORD before = NetlogonProcess(L"\\\\GOOD");
    HRESULT restarted = E_UNEXPECTED, after = E_UNEXPECTED;
    OnWorkerThread(true, [&] { restarted = RestartServiceByWmi(L"GOOD", L"NetLogon"); }, after);
    EXPECT_EQ(S_OK, restarted);
    EXPECT_EQ(S_FALSE, after) << "the worker's apartment was not undone";
    EXPECT_NE(before, NetlogonProcess(L"\\\\GOOD"));
    // On a thread without an apartment the restart makes one and undoes it.
    OnWorkerThread(false, [&] { restarted = RestartServiceByWmi(L"GOOD", L"NetLogon"); }, after);
    EXPECT_EQ(S_OK, restarted);
    EXPECT_EQ(S_OK, after) << "no apartment was left behind";
    EXPECT_EQ(4u, LabCallCount(L"GOOD", "IWbemServices::ExecMethod"));
    LabSetVirtualClock(FALSE);
}

TEST_F(DnsCheck, RestartFailuresReturnTheirCodes) {
    LabSetVirtualClock(TRUE);
    struct Case {
        const wchar_t* computer;
        const wchar_t* service;
        DWORD faultFromCall;  // 0: none; else ExecMethod fails from that call with WBEM_E_FAILED
        HRESULT result;
        DWORD execCalls;
    } const cases[] = {
        {L"DOWN", L"NetLogon", 0, HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), 0},
        {L"NOTMINE", L"NetLogon", 0, E_ACCESSDENIED, 0},
        {L"GOOD", L"NoSuchService", 0, static_cast<HRESULT>(WBEM_E_NOT_FOUND), 1},
        {L"GOOD", L"NetLogon", 1, static_cast<HRESULT>(WBEM_E_FAILED), 1},  // the stop fails: no start
        {L"GOOD", L"NetLogon", 2, static_cast<HRESULT>(WBEM_E_FAILED), 2},  // the start fails
    };
    for (const Case& c : cases) {
        LabClearRules();
        LabResetCallCounts();
        if (c.faultFromCall)
            LabAddFault(c.computer, "IWbemServices::ExecMethod", static_cast<DWORD>(WBEM_E_FAILED), c.faultFromCall, 1);
        HRESULT restarted = E_UNEXPECTED, after = E_UNEXPECTED;
        OnWorkerThread(true, [&] { restarted = RestartServiceByWmi(c.computer, c.service); }, after);
        EXPECT_EQ(c.result, restarted) << c.computer << " " << c.service << " " << c.faultFromCall;
        EXPECT_EQ(c.execCalls, LabCallCount(c.computer, "IWbemServices::ExecMethod")) << c.computer;
    }
    // No locator: nothing reaches the computer.
    LabClearRules();
    LabResetCallCounts();
    LabAddFault(nullptr, "CreateWbemLocator", static_cast<DWORD>(REGDB_E_CLASSNOTREG), 1, 1);
    HRESULT restarted = E_UNEXPECTED, after = E_UNEXPECTED;
    OnWorkerThread(true, [&] { restarted = RestartServiceByWmi(L"GOOD", L"NetLogon"); }, after);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, restarted);
    EXPECT_EQ(0u, LabCallCount(L"GOOD", "IWbemLocator::ConnectServer"));
    // The re-registration job needs a name, carries the code, and keeps its message.
    DnsRegisterJob unnamed;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_COMPUTERNAME), unnamed.Execute());
    EXPECT_EQ(1u, LabCallCount(nullptr, "CreateWbemLocator")) << "the unnamed job made no locator";
    DnsRegisterJob job;
    job.computerName.Reset(::SysAllocString(L"DOWN"));
    EXPECT_EQ(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), job.Execute());
    EXPECT_STREQ(L"Attempt to Update DNS Records", job.message.Get());
    LabSetVirtualClock(FALSE);
}

}  // namespace
}  // namespace vantrel
