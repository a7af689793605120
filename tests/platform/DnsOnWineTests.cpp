// The DNS record check on the real platform under Wine: the registration
// file read through the administrative share that the test prefix maps,
// what Wine's DnsQuery_W answers without a DNS server, and the Net Logon
// restart through Wine's management instrumentation against Wine's real
// service control manager, with a test service of ours installed under the
// name NetLogon. Run by run-dns-wine.sh, which maps the share and writes
// the file.
#include "common/Handles.h"
#include "platform/NameResolution.h"
#include "tests/support/TestProcess.h"
#include "wizards/dns/DnsCheck.h"
#include "wizards/dns/DnsJobs.h"

#include <gtest/gtest.h>

#include <wbemcli.h>

#include <cwchar>
#include <string>
#include <thread>

namespace {

std::wstring g_computer;

struct ScHandle {
    SC_HANDLE h = nullptr;
    ~ScHandle() {
        if (h) ::CloseServiceHandle(h);
    }
};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

TEST(DnsOnWine, TheRegistrationFileIsReadThroughTheAdministrativeShare) {
    std::vector<std::wstring> lines;
    std::wstring failure;
    ASSERT_EQ(S_OK, vantrel::ReadRegistrationFile(g_computer.c_str(), lines, &failure)) << failure;
    const std::wstring name = Lower(g_computer);
    EXPECT_EQ((std::vector<std::wstring>{name + L". 600 IN A 127.0.0.1\n",
                                         L"_ldap._tcp.wine.test. 600 IN SRV 0 100 389 " + name + L".wine.test.\n"}),
              lines);
    // Without the file, the computer's own name: Wine resolves it to the loopback address.
    const std::wstring path = L"C:\\windows\\system32\\config\\netlogon.dns";
    const std::wstring aside = path + L".aside";
    ASSERT_TRUE(::MoveFileW(path.c_str(), aside.c_str()));
    const HRESULT fallback = vantrel::ReadRegistrationFile(g_computer.c_str(), lines, &failure);
    ::MoveFileW(aside.c_str(), path.c_str());
    EXPECT_EQ(S_OK, fallback);
    EXPECT_EQ((std::vector<std::wstring>{g_computer + L" 600 IN A 127.0.0.1\r\n"}), lines);
    // An unmapped computer's share is not found at all (Wine: 3; Windows: 53 or 67).
    EXPECT_TRUE(FAILED(vantrel::ReadRegistrationFile(L"NOSUCHCOMPUTER", lines, &failure)));
    EXPECT_EQ(vantrel::kUnableToReadIpData, failure);
}

TEST(DnsOnWine, WithoutADnsServerEveryLookupFails) {
    // Wine's DnsQuery_W answers 123 (ERROR_INVALID_NAME) here for any name;
    // Windows would ask its DNS server. Every record then counts as a failed
    // lookup (status 3) and the computer as one with missing records.
    PDNS_RECORD list = nullptr;
    const DNS_STATUS status = ::DnsQuery_W(L"localhost", DNS_TYPE_A, DNS_QUERY_STANDARD, nullptr, &list, nullptr);
    if (list) ::DnsFree(list, DnsFreeRecordList);
    EXPECT_EQ(static_cast<DNS_STATUS>(ERROR_INVALID_NAME), status);
    std::unique_ptr<vantrel::DnsRecordCollector> collector;
    ASSERT_EQ(S_OK, vantrel::CheckDnsRecords(g_computer.c_str(), collector));
    ASSERT_EQ(2u, collector->Entries().size());
    for (const auto& entry : collector->Entries()) {
        EXPECT_EQ(vantrel::kLookupFailed, entry.first) << entry.name;
        EXPECT_EQ(vantrel::kLookupFailed, entry.second) << entry.name;
    }
    EXPECT_TRUE(collector->MissingRecords());
}

class NetLogonOnWine : public ::testing::Test {
protected:
    // How long each of the service's transitions lasts.
    virtual DWORD DelayMs() const { return 0; }
    void SetUp() override {
        scm_.h = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(nullptr, scm_.h);
        Remove();
        const std::wstring bin = L"\"" + testsupport::BinPath(L"vantrel_test_service.exe") + L"\" --delay-ms " +
                                 std::to_wstring(DelayMs());
        service_.h = ::CreateServiceW(scm_.h, L"NetLogon", L"Net Logon (Vantrel test)", SERVICE_ALL_ACCESS,
                                      SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                      bin.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, service_.h) << ::GetLastError();
        ASSERT_TRUE(::StartServiceW(service_.h, 0, nullptr));
        ASSERT_TRUE(WaitFor(SERVICE_RUNNING));
    }
    void TearDown() override {
        if (service_.h) {
            SERVICE_STATUS status;
            ::ControlService(service_.h, SERVICE_CONTROL_STOP, &status);
            WaitFor(SERVICE_STOPPED);
            ::DeleteService(service_.h);
        }
    }
    void Remove() {
        ScHandle old;
        old.h = ::OpenServiceW(scm_.h, L"NetLogon", SERVICE_ALL_ACCESS);
        if (!old.h) return;
        SERVICE_STATUS status;
        ::ControlService(old.h, SERVICE_CONTROL_STOP, &status);
        ::Sleep(1000);
        ::DeleteService(old.h);
    }
    SERVICE_STATUS_PROCESS Status() {
        SERVICE_STATUS_PROCESS status{};
        DWORD needed = 0;
        ::QueryServiceStatusEx(service_.h, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status), sizeof status,
                               &needed);
        return status;
    }
    bool WaitFor(DWORD state) {
        for (int i = 0; i < 100; ++i) {
            if (Status().dwCurrentState == state) return true;
            ::Sleep(100);
        }
        return false;
    }
    ScHandle scm_, service_;
};

// Restarts Net Logon as the re-registration job does, on a single-threaded
// worker as the batch manager runs it; the job's status and what a second
// initialisation of the worker's apartment answered afterwards.
void RunRegisterJob(HRESULT& status, HRESULT& apartmentAfter) {
    std::thread worker([&] {
        const HRESULT mine = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        vantrel::DnsRegisterJob job;
        job.computerName.Reset(::SysAllocString(g_computer.c_str()));
        status = job.Execute();
        apartmentAfter = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(apartmentAfter)) ::CoUninitialize();
        if (SUCCEEDED(mine)) ::CoUninitialize();
    });
    worker.join();
}

TEST_F(NetLogonOnWine, TheReRegistrationJobRestartsNetLogonThroughWmi) {
    const DWORD before = Status().dwProcessId;
    HRESULT status = E_UNEXPECTED, apartmentAfter = E_UNEXPECTED;
    RunRegisterJob(status, apartmentAfter);
    EXPECT_EQ(S_OK, status);
    EXPECT_EQ(S_FALSE, apartmentAfter) << "the worker's apartment was not undone";
    EXPECT_TRUE(WaitFor(SERVICE_RUNNING));
    EXPECT_NE(before, Status().dwProcessId) << "a new service process";
}

TEST_F(NetLogonOnWine, AServiceThatIsNotThereIsRefused) {
    // Wine answers WBEM_E_INVALID_METHOD for the methods of an instance that
    // does not exist (Windows: WBEM_E_NOT_FOUND, as the lab does).
    HRESULT restarted = E_UNEXPECTED;
    std::thread worker([&] { restarted = vantrel::RestartServiceByWmi(g_computer.c_str(), L"NoSuchService"); });
    worker.join();
    EXPECT_EQ(static_cast<HRESULT>(WBEM_E_INVALID_METHOD), restarted);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), Status().dwCurrentState);
}

// A Net Logon that takes its time to stop.
class SlowNetLogonOnWine : public NetLogonOnWine {
protected:
    DWORD DelayMs() const override { return 1500; }
};

TEST_F(SlowNetLogonOnWine, StartServiceComesWhileTheStopIsStillPending) {
    // Wine's StopService sends the stop and answers at once; StartService
    // then finds the service still stopping, and its own return value (not
    // looked at) says so. Both calls succeed, and the service ends stopped:
    // on Wine a slow Net Logon is stopped, not restarted.
    HRESULT status = E_UNEXPECTED, apartmentAfter = E_UNEXPECTED;
    RunRegisterJob(status, apartmentAfter);
    EXPECT_EQ(S_OK, status);
    EXPECT_TRUE(WaitFor(SERVICE_STOPPED));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--computer=", 0) == 0) g_computer.assign(arg.begin() + 11, arg.end());
    }
    if (g_computer.empty()) {
        wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
        DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
        if (::GetComputerNameW(name, &size)) g_computer = name;
    }
    return RUN_ALL_TESTS();
}
