// The console's key-name lookup on the real backend, against Wine's service
// control manager: every service of the local computer that has a display
// name resolves back to its own key name, and the size protocol of
// GetServiceKeyNameW is the one the lab answers.
#include "console/ServiceBatch.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Key and display names of the local services, read with the system's own API.
std::vector<std::pair<std::wstring, std::wstring>> LocalServices() {
    std::vector<std::pair<std::wstring, std::wstring>> names;
    SC_HANDLE scm = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
    if (!scm) return names;
    DWORD needed = 0, count = 0, resume = 0;
    ::EnumServicesStatusExW(scm, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &needed, &count,
                            &resume, nullptr);
    std::vector<BYTE> buffer(needed);
    resume = 0;
    if (::EnumServicesStatusExW(scm, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, buffer.data(), needed,
                                &needed, &count, &resume, nullptr)) {
        const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) names.emplace_back(entries[i].lpServiceName, entries[i].lpDisplayName);
    }
    ::CloseServiceHandle(scm);
    return names;
}

TEST(ServiceBatchOnWine, DisplayNamesResolveToTheirKeyNames) {
    const auto services = LocalServices();
    ASSERT_FALSE(services.empty()) << "Wine's prefix has services";
    size_t resolved = 0;
    for (const auto& [key, display] : services) {
        if (display.empty()) continue;
        std::wstring found;
        // Two services may share a display name on Wine; each must name one of them.
        ASSERT_EQ(S_OK, console::ServiceKeyName(L"", display, found)) << display;
        EXPECT_FALSE(found.empty());
        ++resolved;
    }
    EXPECT_GT(resolved, 0u);
    std::wstring found = L"left over";
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SERVICE_DOES_NOT_EXIST),
              console::ServiceKeyName(L"", L"No Service Has This Display Name", found));
    EXPECT_TRUE(found.empty());
}

TEST(ServiceBatchOnWine, ASmallBufferGetsTheLengthWithoutTheTerminator) {
    const auto services = LocalServices();
    ASSERT_FALSE(services.empty());
    const auto& [key, display] = services.front();
    SC_HANDLE scm = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    ASSERT_NE(nullptr, scm);
    std::wstring out(key.size() + 1, L'x');
    DWORD chars = static_cast<DWORD>(key.size());  // one short: no room for the terminator
    EXPECT_FALSE(::GetServiceKeyNameW(scm, display.c_str(), out.data(), &chars));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), ::GetLastError());
    EXPECT_EQ(key.size(), chars);
    chars = static_cast<DWORD>(out.size());
    EXPECT_TRUE(::GetServiceKeyNameW(scm, display.c_str(), out.data(), &chars));
    EXPECT_EQ(key.size(), chars);
    ::CloseServiceHandle(scm);
}

}  // namespace
