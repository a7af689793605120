// The real backend against Wine's own DLLs. Each forward is one line, so what
// can go wrong is the wiring: a parameter passed in the wrong place, the wrong
// function forwarded, an import library missing. The checks below state the
// platform's contract (size queries, error codes, round trips) in ways that a
// swapped or dropped argument would break. They run on the local computer,
// the only one Wine has; remote behaviour is the lab's business.
#include "platform/Plat.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring ThisComputer() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = ARRAYSIZE(name);
    return ::GetComputerNameW(name, &size) ? name : L"";
}

// The built-in Users group, S-1-5-32-545.
std::vector<BYTE> UsersSid() {
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    EXPECT_TRUE(::CreateWellKnownSid(WinBuiltinUsersSid, nullptr, sid.data(), &size));
    sid.resize(size);
    return sid;
}

// The last error a failing BOOL call left, or 0 when it succeeded.
template <typename Call>
DWORD Err(Call call) {
    ::SetLastError(0xdeadbeef);
    return call() ? 0 : ::GetLastError();
}

struct ComApartment {
    ComApartment() { hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() {
        if (SUCCEEDED(hr)) ::CoUninitialize();
    }
    HRESULT hr;
};

}  // namespace

TEST(SeamWin32Clock, SleepAdvancesBothTickCounters) {
    const ULONGLONG start64 = plat::GetTickCount64();
    const DWORD start = plat::GetTickCount();
    plat::Sleep(100);
    // The counters tick in steps of up to ~16 ms on Windows: allow two of them.
    EXPECT_GE(plat::GetTickCount64() - start64, 68u);
    EXPECT_GE(static_cast<DWORD>(plat::GetTickCount() - start), 68u);
    // Two views of one counter: the later reading is at most a step ahead.
    const ULONGLONG now64 = plat::GetTickCount64();
    const DWORD now = plat::GetTickCount();
    EXPECT_LE(static_cast<DWORD>(now - static_cast<DWORD>(now64)), 20u);
}

TEST(SeamWin32NetManagement, ServerWorkstationAndJoinInformationDescribeThisComputer) {
    LPBYTE buffer = nullptr;
    ASSERT_EQ(plat::NetServerGetInfo(nullptr, 100, &buffer), static_cast<NET_API_STATUS>(NERR_Success));
    const auto* server = reinterpret_cast<SERVER_INFO_100*>(buffer);
    EXPECT_EQ(server->sv100_platform_id, static_cast<DWORD>(PLATFORM_ID_NT));
    EXPECT_EQ(_wcsicmp(server->sv100_name, ThisComputer().c_str()), 0) << server->sv100_name;
    EXPECT_EQ(plat::NetApiBufferFree(buffer), static_cast<NET_API_STATUS>(NERR_Success));

    buffer = nullptr;
    ASSERT_EQ(plat::NetWkstaGetInfo(nullptr, 100, &buffer), static_cast<NET_API_STATUS>(NERR_Success));
    const auto* workstation = reinterpret_cast<WKSTA_INFO_100*>(buffer);
    EXPECT_EQ(_wcsicmp(workstation->wki100_computername, ThisComputer().c_str()), 0);
    EXPECT_EQ(plat::NetApiBufferFree(buffer), static_cast<NET_API_STATUS>(NERR_Success));

    LPWSTR name = nullptr;
    NETSETUP_JOIN_STATUS status = NetSetupUnknownStatus;
    ASSERT_EQ(plat::NetGetJoinInformation(nullptr, &name, &status), static_cast<NET_API_STATUS>(NERR_Success));
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(status == NetSetupWorkgroupName || status == NetSetupDomainName || status == NetSetupUnjoined) << status;
    EXPECT_EQ(plat::NetApiBufferFree(name), static_cast<NET_API_STATUS>(NERR_Success));
}

class SeamWin32ServiceControl : public ::testing::Test {
protected:
    void SetUp() override {
        scm_ = plat::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE);
        ASSERT_NE(scm_, nullptr) << ::GetLastError();
    }
    void TearDown() override {
        if (scm_) {
            EXPECT_TRUE(plat::CloseServiceHandle(scm_));
        }
    }

    // The size-query protocol: no buffer -> 234 and the size; then the list.
    std::vector<ENUM_SERVICE_STATUS_PROCESSW> Enumerate(DWORD state) {
        DWORD needed = 0, count = 0, resume = 0;
        ::SetLastError(0xdeadbeef);
        EXPECT_FALSE(plat::EnumServicesStatusExW(scm_, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, state, nullptr, 0,
                                                 &needed, &count, &resume, nullptr));
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
        std::vector<BYTE> buffer(needed);
        resume = 0;
        EXPECT_TRUE(plat::EnumServicesStatusExW(scm_, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, state, buffer.data(),
                                                needed, &needed, &count, &resume, nullptr))
            << ::GetLastError();
        const auto* first = reinterpret_cast<ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
        std::vector<ENUM_SERVICE_STATUS_PROCESSW> services(first, first + count);
        names_.push_back(std::move(buffer));  // the entries point into it
        return services;
    }

    SC_HANDLE scm_ = nullptr;
    std::vector<std::vector<BYTE>> names_;
};

TEST_F(SeamWin32ServiceControl, EnumerationAndQueriesAgree) {
    const auto all = Enumerate(SERVICE_STATE_ALL);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(Enumerate(SERVICE_ACTIVE).size() + Enumerate(SERVICE_INACTIVE).size(), all.size());
    for (const auto& service : all)
        EXPECT_TRUE(service.ServiceStatusProcess.dwServiceType & SERVICE_WIN32) << service.lpServiceName;
    const ENUM_SERVICE_STATUS_PROCESSW& listed = all.front();

    SC_HANDLE service = plat::OpenServiceW(scm_, listed.lpServiceName, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
    ASSERT_NE(service, nullptr) << ::GetLastError();

    SERVICE_STATUS_PROCESS process = {};
    DWORD needed = 0;
    ASSERT_TRUE(plat::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&process),
                                           sizeof(process), &needed));
    EXPECT_EQ(process.dwServiceType, listed.ServiceStatusProcess.dwServiceType);
    SERVICE_STATUS status = {};
    ASSERT_TRUE(plat::QueryServiceStatus(service, &status));
    EXPECT_EQ(status.dwServiceType, process.dwServiceType);

    EXPECT_EQ(Err([&] { return plat::QueryServiceConfigW(service, nullptr, 0, &needed); }),
              static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_GT(needed, sizeof(QUERY_SERVICE_CONFIGW));
    std::vector<BYTE> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    ASSERT_TRUE(plat::QueryServiceConfigW(service, config, needed, &needed)) << ::GetLastError();
    EXPECT_EQ(config->dwServiceType, listed.ServiceStatusProcess.dwServiceType);
    EXPECT_STREQ(config->lpDisplayName, listed.lpDisplayName);

    // The description: either no buffer is needed or the size comes back.
    DWORD descriptionSize = 0;
    if (!plat::QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, nullptr, 0, &descriptionSize)) {
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        std::vector<BYTE> description(descriptionSize);
        EXPECT_TRUE(plat::QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, description.data(),
                                               descriptionSize, &descriptionSize));
    }

    // A handle opened for queries may not change, start or stop the service.
    const DWORD denied = ERROR_ACCESS_DENIED;
    EXPECT_EQ(Err([&] {
                  return plat::ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
              }),
              denied);
    EXPECT_EQ(Err([&] { return plat::StartServiceW(service, 0, nullptr); }), denied);
    EXPECT_EQ(Err([&] { return plat::ControlService(service, SERVICE_CONTROL_STOP, &status); }), denied);

    EXPECT_TRUE(plat::CloseServiceHandle(service));

    EXPECT_EQ(Err([&] { return plat::OpenServiceW(scm_, L"VantrelNoSuchService", SERVICE_QUERY_STATUS) != nullptr; }),
              static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST(SeamWin32Registry, KeysAndValuesRoundTripWithTheSizeQuery) {
    HKEY root = nullptr, version = nullptr;
    ASSERT_EQ(plat::RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, &root), ERROR_SUCCESS);
    EXPECT_EQ(plat::RegOpenKeyExW(root, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_READ, &version),
              ERROR_SUCCESS);
    EXPECT_EQ(plat::RegCloseKey(version), ERROR_SUCCESS);
    EXPECT_EQ(plat::RegCloseKey(root), ERROR_SUCCESS);

    const std::wstring path = L"Software\\VantrelSeamTest" + std::to_wstring(::GetCurrentProcessId());
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(plat::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));

    const DWORD answer = 42;
    const wchar_t name[] = L"seam";
    ASSERT_EQ(plat::RegSetValueExW(key, L"Answer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&answer),
                                   sizeof(answer)),
              ERROR_SUCCESS);
    ASSERT_EQ(plat::RegSetValueExW(key, L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof(name)),
              ERROR_SUCCESS);
    HKEY sub = nullptr;
    ASSERT_EQ(plat::RegCreateKeyExW(key, L"Sub", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &sub,
                                    nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(plat::RegCloseKey(sub), ERROR_SUCCESS);

    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxValueName = 0, maxValue = 0;
    ASSERT_EQ(plat::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values,
                                     &maxValueName, &maxValue, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 1u);
    EXPECT_EQ(maxSubkey, 3u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxValueName, 6u);  // "Answer"
    EXPECT_EQ(maxValue, sizeof(name));

    // The size query: no buffer gives the size, a short one ERROR_MORE_DATA and the size again.
    DWORD type = 0, size = 0;
    ASSERT_EQ(plat::RegQueryValueExW(key, L"Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, sizeof(name));
    wchar_t text[ARRAYSIZE(name)] = {};
    size = sizeof(wchar_t);
    EXPECT_EQ(plat::RegQueryValueExW(key, L"Name", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, sizeof(name));
    ASSERT_EQ(plat::RegQueryValueExW(key, L"Name", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, name);

    wchar_t keyName[16];
    DWORD keyNameLength = ARRAYSIZE(keyName);
    ASSERT_EQ(plat::RegEnumKeyExW(key, 0, keyName, &keyNameLength, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(keyName, L"Sub");
    EXPECT_EQ(keyNameLength, 3u);
    keyNameLength = ARRAYSIZE(keyName);
    EXPECT_EQ(plat::RegEnumKeyExW(key, 1, keyName, &keyNameLength, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);

    bool sawAnswer = false;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[16];
        DWORD valueNameLength = ARRAYSIZE(valueName), type = 0, data = 0, dataSize = sizeof(data);
        const LONG result = plat::RegEnumValueW(key, index, valueName, &valueNameLength, nullptr, &type,
                                                reinterpret_cast<LPBYTE>(&data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (std::wstring(valueName) != L"Answer") continue;
        ASSERT_EQ(result, ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(data, answer);
        EXPECT_EQ(valueNameLength, 6u);
        sawAnswer = true;
    }
    EXPECT_TRUE(sawAnswer);

    DWORD read = 0, readSize = sizeof(read);
    EXPECT_EQ(plat::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), L"Answer", RRF_RT_REG_DWORD, nullptr, &read,
                                 &readSize),
              ERROR_SUCCESS);
    EXPECT_EQ(read, answer);
    readSize = sizeof(read);
    EXPECT_EQ(plat::RegGetValueW(key, nullptr, L"Answer", RRF_RT_REG_SZ, nullptr, &read, &readSize),
              ERROR_UNSUPPORTED_TYPE);

    EXPECT_EQ(plat::RegDeleteValueW(key, L"Name"), ERROR_SUCCESS);
    EXPECT_EQ(plat::RegQueryValueExW(key, L"Name", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(plat::RegDeleteKeyW(key, L"Sub"), ERROR_SUCCESS);
    EXPECT_EQ(plat::RegDeleteKeyW(key, L"Sub"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(plat::RegCloseKey(key), ERROR_SUCCESS);

    EXPECT_EQ(plat::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()), ERROR_SUCCESS);
    EXPECT_EQ(plat::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST(SeamWin32Accounts, UsersGroupByIdentifierAndByName) {
    std::vector<BYTE> users = UsersSid();

    // Sizes first: the name and the domain report their own lengths.
    DWORD nameLength = 0, domainLength = 0;
    SID_NAME_USE use = SidTypeUnknown;
    EXPECT_EQ(Err([&] {
                  return plat::LookupAccountSidW(nullptr, users.data(), nullptr, &nameLength, nullptr, &domainLength,
                                                 &use);
              }),
              static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(nameLength, 6u);    // "Users" and its terminator
    EXPECT_EQ(domainLength, 8u);  // "BUILTIN"
    std::wstring name(nameLength, L'\0'), domain(domainLength, L'\0');
    ASSERT_TRUE(plat::LookupAccountSidW(nullptr, users.data(), name.data(), &nameLength, domain.data(), &domainLength,
                                        &use));
    EXPECT_STREQ(name.c_str(), L"Users");
    EXPECT_STREQ(domain.c_str(), L"BUILTIN");
    EXPECT_EQ(use, SidTypeAlias);

    DWORD sidSize = 0;
    domainLength = 0;
    EXPECT_EQ(Err([&] { return plat::LookupAccountNameW(nullptr, L"Users", nullptr, &sidSize, nullptr, &domainLength, &use); }),
              static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_EQ(sidSize, users.size());
    std::vector<BYTE> found(sidSize);
    ASSERT_TRUE(plat::LookupAccountNameW(nullptr, L"Users", found.data(), &sidSize, domain.data(), &domainLength,
                                         &use));
    EXPECT_TRUE(::EqualSid(found.data(), users.data()));
}

TEST(SeamWin32Accounts, PolicyOpensAndStatusesMapToPlatformErrors) {
    LSA_OBJECT_ATTRIBUTES attributes = {};
    LSA_HANDLE policy = nullptr;
    ASSERT_EQ(plat::LsaOpenPolicy(nullptr, &attributes, POLICY_LOOKUP_NAMES, &policy), 0);
    ASSERT_NE(policy, nullptr);
    EXPECT_EQ(plat::LsaClose(policy), 0);

    EXPECT_EQ(plat::LsaNtStatusToWinError(static_cast<NTSTATUS>(0xC0000022)), static_cast<ULONG>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(plat::LsaNtStatusToWinError(static_cast<NTSTATUS>(0xC0000034)), static_cast<ULONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(plat::LsaNtStatusToWinError(0), static_cast<ULONG>(ERROR_SUCCESS));
}

TEST(SeamWin32Logon, CallerNameComesWithItsSizeQuery) {
    ULONG size = 0;
    EXPECT_EQ(Err([&] { return plat::GetUserNameExW(NameSamCompatible, nullptr, &size); }), static_cast<DWORD>(ERROR_MORE_DATA));
    ASSERT_GT(size, 2u);
    std::wstring name(size, L'\0');
    ASSERT_TRUE(plat::GetUserNameExW(NameSamCompatible, name.data(), &size)) << ::GetLastError();
    name.resize(size);
    EXPECT_EQ(name.size(), std::wcslen(name.c_str()));
    EXPECT_NE(name.find(L'\\'), std::wstring::npos) << name;  // DOMAIN\user
}

TEST(SeamWin32Logon, ImpersonationLastsUntilRevert) {
    HANDLE token = nullptr;
    ASSERT_TRUE(plat::ImpersonateSelf(SecurityImpersonation));
    ASSERT_TRUE(::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) << ::GetLastError();
    EXPECT_TRUE(plat::CloseHandle(token));

    ASSERT_TRUE(plat::RevertToSelf());
    EXPECT_EQ(Err([&] { return ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token); }),
              static_cast<DWORD>(ERROR_NO_TOKEN));
}

// Enabling the shutdown privilege on a thread token through the seam, then a
// failure-actions record with a reboot. Wine's service manager answers TRUE
// for failure actions and stores nothing (reading them back answers 124), so
// the record only shows that the call goes through, not that Windows would
// have checked the privilege.
TEST(SeamWin32Logon, ShutdownPrivilegeEnablesOnTheThreadToken) {
    ASSERT_TRUE(plat::ImpersonateSelf(SecurityImpersonation));
    HANDLE token = nullptr;
    ASSERT_TRUE(plat::OpenThreadToken(::GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, TRUE, &token))
        << ::GetLastError();
    TOKEN_PRIVILEGES wanted{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    ASSERT_TRUE(plat::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &wanted.Privileges[0].Luid));
    EXPECT_TRUE(plat::AdjustTokenPrivileges(token, FALSE, &wanted, 0, nullptr, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    SC_HANDLE scm = plat::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    ASSERT_NE(scm, nullptr) << ::GetLastError();
    SC_HANDLE service = plat::OpenServiceW(scm, L"Spooler", SERVICE_CHANGE_CONFIG | SERVICE_START);
    ASSERT_NE(service, nullptr) << ::GetLastError();
    SC_ACTION reboot{SC_ACTION_REBOOT, 60000};
    SERVICE_FAILURE_ACTIONSW fa{86400, nullptr, nullptr, 1, &reboot};
    EXPECT_EQ(Err([&] { return plat::ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, &fa); }), 0u);
    EXPECT_TRUE(plat::CloseServiceHandle(service));
    EXPECT_TRUE(plat::CloseServiceHandle(scm));
    EXPECT_TRUE(plat::CloseHandle(token));
    EXPECT_TRUE(plat::RevertToSelf());
}

TEST(SeamWin32Printing, PrinterListFollowsTheSizeQuery) {
    DWORD needed = 0, count = 0;
    if (!plat::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count)) {
        ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        std::vector<BYTE> buffer(needed);
        ASSERT_TRUE(plat::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count));
        const auto* printers = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) EXPECT_NE(printers[i].pPrinterName, nullptr);
    } else {
        EXPECT_EQ(count, 0u);
    }
}

TEST(SeamWin32NameResolution, LoopbackResolvesBothWaysAndEchoHandleOpens) {
    // Wine resolves names in a process that never started Winsock; Windows
    // (and the lab) answer WSANOTINITIALISED, 10093. Recorded so that a Wine
    // that starts enforcing it is noticed.
    ::SetLastError(0);
    EXPECT_NE(plat::gethostbyname("localhost"), nullptr) << ::WSAGetLastError();
    WSADATA data;
    ASSERT_EQ(plat::WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
    const hostent* byName = plat::gethostbyname("localhost");
    ASSERT_NE(byName, nullptr) << ::WSAGetLastError();
    ASSERT_EQ(byName->h_length, 4);
    const auto* address = reinterpret_cast<const unsigned char*>(byName->h_addr_list[0]);
    EXPECT_EQ(address[0], 127);
    EXPECT_EQ(address[3], 1);

    const unsigned char loopback[4] = {127, 0, 0, 1};
    const hostent* byAddress = plat::gethostbyaddr(reinterpret_cast<const char*>(loopback), 4, AF_INET);
    ASSERT_NE(byAddress, nullptr) << ::WSAGetLastError();
    EXPECT_NE(byAddress->h_name, nullptr);
    EXPECT_EQ(plat::WSACleanup(), 0);

    const HANDLE icmp = plat::IcmpCreateFile();
    ASSERT_NE(icmp, INVALID_HANDLE_VALUE) << ::GetLastError();
    EXPECT_TRUE(plat::IcmpCloseHandle(icmp));
}

TEST(SeamWin32AdminShare, FileReadsBackWhatWasWritten) {
    wchar_t directory[MAX_PATH], path[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, directory), 0u);
    ASSERT_GT(::GetTempFileNameW(directory, L"vsm", 0, path), 0u);
    const char text[] = "host.example. 600 IN A 10.0.0.1\r\n";
    const DWORD length = sizeof(text) - 1;

    HANDLE file = plat::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << ::GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file, text, length, &written, nullptr));
    EXPECT_TRUE(plat::CloseHandle(file));

    file = plat::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << ::GetLastError();
    LARGE_INTEGER size = {};
    ASSERT_TRUE(plat::GetFileSizeEx(file, &size));
    EXPECT_EQ(size.QuadPart, static_cast<LONGLONG>(length));
    char buffer[64] = {};
    DWORD read = 0;
    ASSERT_TRUE(plat::ReadFile(file, buffer, sizeof(buffer), &read, nullptr));
    EXPECT_EQ(read, length);
    EXPECT_STREQ(buffer, text);
    ASSERT_TRUE(plat::ReadFile(file, buffer, sizeof(buffer), &read, nullptr));  // end of file
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(plat::CloseHandle(file));
    EXPECT_EQ(Err([&] { return plat::CloseHandle(file); }), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    ::DeleteFileW(path);

    // The DNS record check tells a missing file (2) from other failures.
    EXPECT_EQ(Err([&] {
                  return plat::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr) !=
                         INVALID_HANDLE_VALUE;
              }),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(SeamWin32Factories, LocatorReachesTheLocalNamespaceAndPickerIsCreated) {
    ComApartment com;
    ASSERT_TRUE(SUCCEEDED(com.hr));
    IWbemLocator* locator = nullptr;
    ASSERT_EQ(plat::CreateWbemLocator(&locator), S_OK);
    ASSERT_NE(locator, nullptr);
    IWbemServices* services = nullptr;
    BSTR path = ::SysAllocString(L"\\\\.\\root\\cimv2");
    EXPECT_EQ(locator->ConnectServer(path, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services), S_OK);
    ::SysFreeString(path);
    if (services) services->Release();
    locator->Release();

    IDsObjectPicker* picker = nullptr;
    ASSERT_EQ(plat::CreateDsObjectPicker(&picker), S_OK);
    ASSERT_NE(picker, nullptr);
    picker->Release();
}
