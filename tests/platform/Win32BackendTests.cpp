// The real backend against Wine's own DLLs. Each forward is one line, so what
// can go wrong is the wiring: the wrong function forwarded or an import
// library missing (the program is linked whole, so every forward must link).
// One call per family proves the wiring; what the calls mean is tested
// against the lab, which behaves like Windows, and Wine is not under test.
#include "platform/Plat.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// The last error a failing BOOL call left, or 0 when it succeeded.
DWORD Err(const std::function<BOOL()>& call) {
    ::SetLastError(0xdeadbeef);
    return call() ? 0 : ::GetLastError();
}

struct Family {
    const char* name;
    // One call through the seam; the error it must answer (0: success).
    DWORD expected;
    std::function<DWORD()> call;
};

const std::vector<Family>& Families() {
    static const std::vector<Family> families = {
        {"clock", 0, []() -> DWORD { return plat::GetTickCount64() >= plat::GetTickCount() ? 0 : 1; }},
        {"network management", NERR_Success,
         []() -> DWORD {
             LPBYTE buffer = nullptr;
             const NET_API_STATUS rc = plat::NetServerGetInfo(nullptr, 100, &buffer);
             if (rc == NERR_Success && plat::NetApiBufferFree(buffer) != NERR_Success) return 1;
             return static_cast<DWORD>(rc);
         }},
        {"service control", ERROR_SERVICE_DOES_NOT_EXIST,
         []() -> DWORD {
             SC_HANDLE scm = plat::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT);
             if (!scm) return ::GetLastError();
             const DWORD rc =
                 Err([&] { return plat::OpenServiceW(scm, L"VantrelNoSuchService", SERVICE_QUERY_STATUS) != nullptr; });
             plat::CloseServiceHandle(scm);
             return rc;
         }},
        {"registry", ERROR_FILE_NOT_FOUND,
         []() -> DWORD {
             HKEY key = nullptr;
             return static_cast<DWORD>(
                 plat::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\VantrelNoSuchKey", 0, KEY_READ, &key));
         }},
        {"accounts: the size query of the Users group", ERROR_INSUFFICIENT_BUFFER,
         []() -> DWORD {
             BYTE sid[SECURITY_MAX_SID_SIZE];
             DWORD size = sizeof sid, name = 0, domain = 0;
             SID_NAME_USE use;
             ::CreateWellKnownSid(WinBuiltinUsersSid, nullptr, sid, &size);
             return Err([&] { return plat::LookupAccountSidW(nullptr, sid, nullptr, &name, nullptr, &domain, &use); });
         }},
        {"logon", ERROR_MORE_DATA,
         []() -> DWORD {
             ULONG size = 0;
             return Err([&] { return plat::GetUserNameExW(NameSamCompatible, nullptr, &size); });
         }},
        {"printing", 0,
         []() -> DWORD {
             DWORD needed = 0, count = 0;
             const DWORD rc =
                 Err([&] { return plat::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count); });
             return rc == ERROR_INSUFFICIENT_BUFFER ? 0 : rc;  // no printers, or the size of the list
         }},
        {"name resolution", 0,
         []() -> DWORD {
             const HANDLE icmp = plat::IcmpCreateFile();
             if (icmp == INVALID_HANDLE_VALUE) return ::GetLastError();
             return plat::IcmpCloseHandle(icmp) ? 0 : ::GetLastError();
         }},
        {"administrative share files", ERROR_FILE_NOT_FOUND,
         []() -> DWORD {
             return Err([] {
                 return plat::CreateFileW(L"C:\\vantrel-no-such-file.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE;
             });
         }},
        {"instrumentation and picker factories", 0,
         []() -> DWORD {
             const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
             IWbemLocator* locator = nullptr;
             IDsObjectPicker* picker = nullptr;
             HRESULT hr = plat::CreateWbemLocator(&locator);
             if (SUCCEEDED(hr)) hr = plat::CreateDsObjectPicker(&picker);
             if (locator) locator->Release();
             if (picker) picker->Release();
             if (SUCCEEDED(com)) ::CoUninitialize();
             return static_cast<DWORD>(hr);
         }},
    };
    return families;
}

TEST(SeamWin32, EachFamilyLinksAndAnswers) {
    for (const Family& family : Families()) {
        SCOPED_TRACE(family.name);
        EXPECT_EQ(family.expected, family.call());
    }
}

// Wine resolves names in a process that never started Winsock; Windows (and
// the lab) answer WSANOTINITIALISED, 10093. Recorded so that a Wine that
// starts enforcing it is noticed; the start and cleanup go through the seam.
TEST(SeamWin32NameResolution, WineResolvesBeforeWinsockStarts) {
    EXPECT_NE(plat::gethostbyname("localhost"), nullptr) << ::WSAGetLastError();
    WSADATA data;
    ASSERT_EQ(plat::WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
    EXPECT_EQ(plat::WSACleanup(), 0);
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

}  // namespace
