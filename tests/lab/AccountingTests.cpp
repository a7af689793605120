// Release accounting: leaks, double releases and foreign pointers are seen.
#include "LabTest.h"

namespace {

using labtest::LabTest;
using labtest::NetBuffer;
using labtest::ServerInfo;

class LabAccounting : public LabTest {};

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

TEST_F(LabAccounting, UnfreedBufferIsReportedUntilFreed) {
    EXPECT_EQ(L"clean", lab::LeakReport());
    LPBYTE server = nullptr;
    LPBYTE wksta = nullptr;
    ASSERT_EQ(0u, plat::NetServerGetInfo(const_cast<LMSTR>(L"FS01"), 101, &server));
    ASSERT_EQ(0u, plat::NetWkstaGetInfo(nullptr, 100, &wksta));
    EXPECT_EQ(2u, LabOutstanding(LAB_KIND_NET_BUFFER));
    EXPECT_EQ(2u, LabOutstanding(LAB_KIND_ANY));
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_TOKEN));
    const std::wstring report = lab::LeakReport();
    EXPECT_TRUE(Contains(report, L"outstanding: 2")) << report;
    EXPECT_TRUE(Contains(report, L"from NetServerGetInfo on FS01")) << report;
    EXPECT_TRUE(Contains(report, L"from NetWkstaGetInfo on ADMIN01")) << report;

    EXPECT_EQ(0u, plat::NetApiBufferFree(server));
    EXPECT_EQ(0u, plat::NetApiBufferFree(wksta));
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_ANY));
    EXPECT_EQ(L"clean", lab::LeakReport());
}

TEST_F(LabAccounting, SecondFreesAndForeignPointersAreBadReleasesAndNullIsNot) {
    LPBYTE buffer = nullptr;
    ASSERT_EQ(0u, plat::NetServerGetInfo(nullptr, 100, &buffer));
    EXPECT_EQ(0u, plat::NetApiBufferFree(buffer));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), plat::NetApiBufferFree(buffer));
    int notOurs = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), plat::NetApiBufferFree(&notOurs));
    EXPECT_EQ(0u, plat::NetApiBufferFree(nullptr));
    EXPECT_EQ(2u, LabBadReleases());
    const std::wstring report = lab::LeakReport();
    EXPECT_TRUE(Contains(report, L"bad releases: 2")) << report;
    EXPECT_TRUE(Contains(report, L"was released already")) << report;
    EXPECT_TRUE(Contains(report, L"is not a net buffer the lab handed out")) << report;
}

TEST_F(LabAccounting, FailedCallsHandOutNothing) {
    LPBYTE buffer = reinterpret_cast<LPBYTE>(&buffer);
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), plat::NetServerGetInfo(const_cast<LMSTR>(L"LAPTOP07"), 101, &buffer));
    EXPECT_EQ(nullptr, buffer);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), plat::NetServerGetInfo(nullptr, 7, &buffer));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ServerInfo(L"DC01", 102));
    EXPECT_EQ(nullptr, buffer);
    EXPECT_EQ(L"clean", lab::LeakReport());
}

TEST_F(LabAccounting, ResetForgetsEverything) {
    LPBYTE leaked = nullptr;
    ASSERT_EQ(0u, plat::NetServerGetInfo(nullptr, 101, &leaked));
    plat::NetApiBufferFree(reinterpret_cast<LPVOID>(&leaked));
    LabResetAccounting();
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_ANY));
    EXPECT_EQ(0u, LabBadReleases());
    EXPECT_EQ(L"clean", lab::LeakReport());
    // The forgotten buffer is no longer the lab's to free.
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), plat::NetApiBufferFree(leaked));
}

}  // namespace
