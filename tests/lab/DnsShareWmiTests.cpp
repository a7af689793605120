// The lab's DNS server, administrative shares and management instrumentation
// as Windows answers: record lookups with their statuses and released lists,
// files opened through "\\NAME\admin$", and Win32_Service methods acting on
// the computer's services.
#include "LabTest.h"

#include "common/ComPtr.h"
#include "common/PlatHandles.h"
#include "platform/AdminShare.h"
#include "platform/Instrumentation.h"
#include "platform/NameResolution.h"
#include "tests/support/LabServiceStatus.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr HRESULT Wbem(WBEMSTATUS status) { return static_cast<HRESULT>(status); }

constexpr char kNetwork[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\operator",
  "accounts": [ { "name": "LAB\\operator", "password": "x" }, { "name": "LAB\\visitor", "password": "x" } ],
  "computers": [
    { "name": "ADMIN01", "local": true, "ip": "10.0.0.1", "administrators": ["LAB\\operator"] },
    { "name": "DC1", "ip": "10.0.0.2", "administrators": ["LAB\\operator"],
      "netlogonDns": [ "dc1.lab.local. 600 IN A 10.0.0.2", "; a comment" ] },
    { "name": "LOCKED", "administrators": ["LAB\\operator"], "netlogonDns": { "lines": ["x"], "access": "unreadable" } },
    { "name": "SECRET", "administrators": ["LAB\\operator"], "netlogonDns": { "lines": ["x"], "access": "denied" } },
    { "name": "NOTMINE", "administrators": [], "netlogonDns": ["x"] },
    { "name": "DOWN", "ip": "10.0.0.6", "online": false, "administrators": ["LAB\\operator"], "netlogonDns": ["x"] }
  ],
  "dnsZone": {
    "records": [
      { "name": "_ldap._tcp.lab.local.", "type": "SRV", "data": "DC1.lab.local.", "port": 389, "priority": 5 },
      { "name": "www.lab.local", "type": "CNAME", "data": "dc1.lab.local" },
      { "name": "dc1.lab.local", "type": "A", "data": "10.0.0.22" }
    ],
    "failures": [ { "name": "broken.lab.local", "error": 9002 } ]
  }
})";

class LabDns : public labtest::ScenarioLabTest {
protected:
    LabDns() : ScenarioLabTest(kNetwork) {}
};

struct Answer {
    DNS_STATUS status = 0;
    std::vector<std::wstring> records;  // "type data" of each record, in order
};

Answer Query(const wchar_t* name, WORD type) {
    PDNS_RECORD list = nullptr;
    Answer answer;
    answer.status = plat::DnsQuery_W(name, type, DNS_QUERY_STANDARD, nullptr, &list, nullptr);
    for (auto* r = reinterpret_cast<DNS_RECORDW*>(list); r; r = r->pNext) {
        std::wstring text = std::to_wstring(r->wType) + L" ";
        if (r->wType == DNS_TYPE_A) {
            const auto* b = reinterpret_cast<const unsigned char*>(&r->Data.A.IpAddress);
            text += std::to_wstring(b[0]) + L"." + std::to_wstring(b[1]) + L"." + std::to_wstring(b[2]) + L"." +
                    std::to_wstring(b[3]);
        } else if (r->wType == DNS_TYPE_CNAME) {
            text += r->Data.CNAME.pNameHost;
        } else {
            text += std::wstring(r->Data.SRV.pNameTarget) + L":" + std::to_wstring(r->Data.SRV.wPort) + L"/" +
                    std::to_wstring(r->Data.SRV.wPriority);
        }
        answer.records.push_back(text);
    }
    if (list) plat::DnsRecordListFree(list, DnsFreeRecordList);
    return answer;
}

TEST_F(LabDns, AnswersFromTheZoneAndTheComputersOwnAddresses) {
    using Records = std::vector<std::wstring>;
    struct Case {
        const wchar_t* name;
        WORD type;
        DNS_STATUS status;
        Records records;
    } const cases[] = {
        // The computer's own record first, then the zone's; case and the final dot do not matter.
        {L"dc1.lab.local.", DNS_TYPE_A, 0, {L"1 10.0.0.2", L"1 10.0.0.22"}},
        {L"DC1.LAB.LOCAL", DNS_TYPE_A, 0, {L"1 10.0.0.2", L"1 10.0.0.22"}},
        {L"DC1", DNS_TYPE_A, 0, {L"1 10.0.0.2", L"1 10.0.0.22"}},  // the domain's suffix is searched
        {L"10.0.0.2", DNS_TYPE_A, DNS_ERROR_RCODE_NAME_ERROR, {}},  // an address is no name
        {L"_ldap._tcp.lab.local", DNS_TYPE_SRV, 0, {L"33 dc1.lab.local:389/5"}},
        {L"dc1.lab.local", DNS_TYPE_SRV, DNS_INFO_NO_RECORDS, {}},
        {L"nobody.lab.local", DNS_TYPE_A, DNS_ERROR_RCODE_NAME_ERROR, {}},
        {L"broken.lab.local", DNS_TYPE_A, DNS_ERROR_RCODE_SERVER_FAILURE, {}},
        // An alias is followed for other types, and answered as itself for CNAME.
        {L"www.lab.local", DNS_TYPE_A, 0, {L"5 dc1.lab.local", L"1 10.0.0.2", L"1 10.0.0.22"}},
        {L"www.lab.local", DNS_TYPE_CNAME, 0, {L"5 dc1.lab.local"}},
        {L"www.lab.local", DNS_TYPE_SRV, DNS_INFO_NO_RECORDS, {}},
        // The DNS server answers for computers that are off the network.
        {L"down.lab.local", DNS_TYPE_A, 0, {L"1 10.0.0.6"}},
        // A computer without an address has no record; ALL gives every type.
        {L"locked.lab.local", DNS_TYPE_A, DNS_ERROR_RCODE_NAME_ERROR, {}},
        {L"_ldap._tcp.lab.local", DNS_TYPE_ALL, 0, {L"33 dc1.lab.local:389/5"}},
    };
    for (const Case& c : cases) {
        const Answer answer = Query(c.name, c.type);
        EXPECT_EQ(c.status, answer.status) << c.name << " type " << c.type;
        EXPECT_EQ(c.records, answer.records) << c.name << " type " << c.type;
    }
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_DNS_RECORD_LIST));
}

TEST_F(LabDns, AnswerListsAreCountedUntilFreedOnce) {
    PDNS_RECORD list = nullptr;
    ASSERT_EQ(0, plat::DnsQuery_W(L"dc1.lab.local", DNS_TYPE_A, 0, nullptr, &list, nullptr));
    EXPECT_EQ(1u, LabOutstanding(LAB_KIND_DNS_RECORD_LIST));
    plat::DnsFree(list, DnsFreeRecordList);
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_DNS_RECORD_LIST));
    plat::DnsRecordListFree(list, DnsFreeRecordList);
    EXPECT_EQ(1u, LabBadReleases());
    LabResetAccounting();
    // A failed query hands nothing out and clears the caller's pointer.
    list = reinterpret_cast<PDNS_RECORD>(1);
    EXPECT_EQ(DNS_INFO_NO_RECORDS, plat::DnsQuery_W(L"dc1.lab.local", DNS_TYPE_SRV, 0, nullptr, &list, nullptr));
    EXPECT_EQ(nullptr, list);
    EXPECT_EQ(static_cast<DNS_STATUS>(ERROR_INVALID_PARAMETER),
              plat::DnsQuery_W(nullptr, DNS_TYPE_A, 0, nullptr, &list, nullptr));
}

TEST_F(LabDns, InjectedFaultsAndLatencyReachTheQueries) {
    LabAddFault(nullptr, "DnsQuery_W", DNS_ERROR_RCODE_REFUSED, 2, 1);
    EXPECT_EQ(0, Query(L"dc1.lab.local", DNS_TYPE_A).status);
    EXPECT_EQ(DNS_ERROR_RCODE_REFUSED, Query(L"dc1.lab.local", DNS_TYPE_A).status);
    EXPECT_EQ(0, Query(L"dc1.lab.local", DNS_TYPE_A).status);
    EXPECT_EQ(3u, LabCallCount(nullptr, "DnsQuery_W"));
}

TEST_F(LabDns, ZoneMistakesNameTheField) {
    struct Case {
        const char* zone;
        const char* message;
    } const cases[] = {
        {R"({ "records": [ { "name": "a", "type": "MX", "data": "b" } ] })", "dnsZone.records[0].type"},
        {R"({ "records": [ { "name": "a", "type": "A", "data": "10.0.0" } ] })", "dnsZone.records[0].data"},
        {R"({ "records": [ { "name": "a", "type": "SRV" } ] })", "dnsZone.records[0].data"},
        {R"({ "failures": [ { "name": "a", "error": 0 } ] })", "dnsZone.failures[0].error"},
        {R"({ "zone": [] })", "dnsZone.zone"},
    };
    for (const Case& c : cases) {
        const std::string text = std::string(R"({ "domain": { "name": "LAB" }, "interactiveUser": "LAB\\u",
          "accounts": [ { "name": "LAB\\u", "password": "" } ], "computers": [ { "name": "A" } ], "dnsZone": )") +
                                 c.zone + "}";
        std::wstring error;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), lab::LoadScenarioText(text, &error)) << c.zone;
        EXPECT_NE(std::wstring::npos, error.find(std::wstring(c.message, c.message + std::strlen(c.message))))
            << error;
    }
}

// --- the administrative share -------------------------------------------------

std::wstring NetlogonDns(const wchar_t* computer) {
    return std::wstring(L"\\\\") + computer + L"\\admin$\\system32\\config\\netlogon.dns";
}

TEST_F(LabDns, ShareFilesOpenAsWindowsOpensThem) {
    struct Case {
        std::wstring path;
        DWORD error;  // 0: opens
    } const cases[] = {
        {NetlogonDns(L"DC1"), 0},
        {L"\\\\dc1.lab.local\\ADMIN$\\System32\\Config\\NETLOGON.DNS", 0},
        {L"//10.0.0.2/admin$/system32/config/netlogon.dns", 0},
        {NetlogonDns(L"ADMIN01"), ERROR_FILE_NOT_FOUND},
        {L"\\\\DC1\\admin$\\system32\\config\\other.dns", ERROR_FILE_NOT_FOUND},
        {NetlogonDns(L"SECRET"), ERROR_ACCESS_DENIED},
        {NetlogonDns(L"NOTMINE"), ERROR_ACCESS_DENIED},
        {NetlogonDns(L"DOWN"), ERROR_BAD_NETPATH},
        {NetlogonDns(L"NOBODY"), ERROR_BAD_NETPATH},
    };
    for (const Case& c : cases) {
        ::SetLastError(0xdeadbeef);
        vantrel::UniqueShareFile file(plat::CreateFileW(c.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD error = ::GetLastError();
        EXPECT_EQ(c.error == 0, file.Get() != INVALID_HANDLE_VALUE) << c.path;
        if (c.error) {
            EXPECT_EQ(c.error, error) << c.path;
        }
    }
    // Writing into a share is not the module's business.
    EXPECT_EQ(INVALID_HANDLE_VALUE, plat::CreateFileW(NetlogonDns(L"DC1").c_str(), GENERIC_WRITE, 0, nullptr,
                                                      OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ::GetLastError());
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_FILE_HANDLE));
}

TEST_F(LabDns, ShareFilesReadTheirLinesWithCarriageReturns) {
    vantrel::UniqueShareFile file(plat::CreateFileW(NetlogonDns(L"DC1").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, file.Get());
    EXPECT_EQ(1u, LabOutstanding(LAB_KIND_FILE_HANDLE));
    const std::string expected = "dc1.lab.local. 600 IN A 10.0.0.2\r\n; a comment\r\n";
    LARGE_INTEGER size{};
    ASSERT_TRUE(plat::GetFileSizeEx(file.Get(), &size));
    EXPECT_EQ(static_cast<LONGLONG>(expected.size()), size.QuadPart);
    // In small reads, then 0 bytes at the end.
    std::string text;
    char chunk[7];
    DWORD read = 0;
    while (plat::ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr) && read) text.append(chunk, read);
    EXPECT_EQ(expected, text);
    EXPECT_EQ(0u, read);
    file.Reset();
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_FILE_HANDLE));
}

TEST_F(LabDns, ALockedFileOpensButDoesNotRead) {
    vantrel::UniqueShareFile file(plat::CreateFileW(NetlogonDns(L"LOCKED").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, file.Get());
    char buffer[16];
    DWORD read = 5;
    EXPECT_FALSE(plat::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_LOCK_VIOLATION), ::GetLastError());
    EXPECT_EQ(0u, read);
}

// --- management instrumentation -------------------------------------------------

class LabWmi : public LabDns {
protected:
    void SetUp() override {
        LabDns::SetUp();
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        LabSetVirtualClock(TRUE);
    }
    void TearDown() override {
        LabSetVirtualClock(FALSE);
        ::CoUninitialize();
        LabDns::TearDown();
    }
    static HRESULT Connect(const wchar_t* space, vantrel::ComPtr<IWbemServices>& services) {
        vantrel::ComPtr<IWbemLocator> locator;
        const HRESULT created = plat::CreateWbemLocator(locator.Put());
        if (FAILED(created)) return created;
        const vantrel::UniqueBstr name(::SysAllocString(space));
        return locator->ConnectServer(name.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Put());
    }
    static HRESULT Exec(IWbemServices* services, const wchar_t* path, const wchar_t* method) {
        const vantrel::UniqueBstr p(::SysAllocString(path));
        const vantrel::UniqueBstr m(::SysAllocString(method));
        IWbemClassObject* out = reinterpret_cast<IWbemClassObject*>(1);
        const HRESULT hr = services->ExecMethod(p.Get(), m.Get(), 0, nullptr, nullptr, &out, nullptr);
        EXPECT_EQ(nullptr, out);
        return hr;
    }
    static SERVICE_STATUS_PROCESS NetlogonStatus(const wchar_t* server) {
        return testsupport::LabServiceStatus(server, L"Netlogon");
    }
};

TEST_F(LabWmi, ConnectingNeedsCimv2AReachableComputerAndAnAdministrator) {
    struct Case {
        const wchar_t* space;
        HRESULT result;
    } const cases[] = {
        {L"\\\\DC1\\root\\cimv2", S_OK},
        {L"\\\\dc1.lab.local\\ROOT\\CIMV2", S_OK},
        {L"root\\cimv2", S_OK},
        {L"\\\\.\\root\\cimv2", S_OK},
        {L"\\\\DC1\\root\\default", Wbem(WBEM_E_INVALID_NAMESPACE)},
        {L"\\\\DOWN\\root\\cimv2", HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE)},
        {L"\\\\NOBODY\\root\\cimv2", HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE)},
        {L"\\\\NOTMINE\\root\\cimv2", E_ACCESSDENIED},
    };
    for (const Case& c : cases) {
        vantrel::ComPtr<IWbemServices> services;
        EXPECT_EQ(c.result, Connect(c.space, services)) << c.space;
        EXPECT_EQ(SUCCEEDED(c.result), services.Get() != nullptr) << c.space;
    }
    // Another identity is refused where the operator is let in.
    ASSERT_EQ(0u, LabSetThreadIdentity(L"LAB\\visitor"));
    vantrel::ComPtr<IWbemServices> services;
    EXPECT_EQ(E_ACCESSDENIED, Connect(L"\\\\DC1\\root\\cimv2", services));
    LabClearThreadIdentity();
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_COM_OBJECT));
}

TEST_F(LabWmi, StopAndStartServiceRestartNetLogonOnceTheBlanketImpersonates) {
    vantrel::ComPtr<IWbemServices> services;
    ASSERT_EQ(S_OK, Connect(L"\\\\DC1\\root\\cimv2", services));
    const wchar_t path[] = L"Win32_Service.Name=\"NetLogon\"";
    const DWORD before = NetlogonStatus(L"\\\\DC1").dwProcessId;
    ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), NetlogonStatus(L"\\\\DC1").dwCurrentState);
    // The default blanket only identifies the caller.
    EXPECT_EQ(Wbem(WBEM_E_ACCESS_DENIED), Exec(services.Get(), path, L"StopService"));
    EXPECT_EQ(S_OK, ::CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                        RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE));
    EXPECT_EQ(S_OK, Exec(services.Get(), path, L"StopService"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), NetlogonStatus(L"\\\\DC1").dwCurrentState);
    EXPECT_EQ(S_OK, Exec(services.Get(), path, L"StartService"));
    const SERVICE_STATUS_PROCESS after = NetlogonStatus(L"\\\\DC1");
    EXPECT_TRUE(after.dwCurrentState == SERVICE_START_PENDING || after.dwCurrentState == SERVICE_RUNNING);
    EXPECT_NE(before, after.dwProcessId) << "a new process";
    // Paths and methods the provider does not know.
    struct Case {
        const wchar_t* path;
        const wchar_t* method;
        HRESULT result;
    } const cases[] = {
        {L"Win32_Service.Name=\"NoSuchService\"", L"StopService", Wbem(WBEM_E_NOT_FOUND)},
        {L"Win32_Process.Handle=\"4\"", L"StopService", Wbem(WBEM_E_INVALID_CLASS)},
        {L"Win32_Service", L"StopService", Wbem(WBEM_E_INVALID_OBJECT_PATH)},
        {L"Win32_Service.Name=NetLogon", L"StopService", Wbem(WBEM_E_INVALID_OBJECT_PATH)},
        {path, L"PauseService", Wbem(WBEM_E_INVALID_METHOD)},
        {path, L"startservice", S_OK},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, Exec(services.Get(), c.path, c.method)) << c.path << c.method;
    // The computer going away meanwhile.
    ASSERT_EQ(0u, LabSetComputerOnline(L"DC1", FALSE));
    EXPECT_EQ(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), Exec(services.Get(), path, L"StopService"));
    services.Reset();
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_COM_OBJECT));
}

}  // namespace
