// What the user sheet reads from Wine's own DLLs: the join facts and the
// workstation's workgroup its object path is built from, the direct local
// groups of the current user, and the user object bound by that path. Wine
// answers several of these differently from Windows; each case says how.
#include "platform/DirectoryService.h"
#include "platform/NetManagement.h"
#include "views/UserProperties.h"

#include <gtest/gtest.h>
#include <lmjoin.h>

#include <string>

namespace {

std::wstring ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ::GetComputerNameW(name, &size);
    return name;
}

std::wstring CurrentUser() {
    wchar_t name[256] = {};
    DWORD size = 256;
    ::GetUserNameW(name, &size);
    return name;
}

// Windows names the domain of a joined computer (status 3) or its
// workgroup (status 2); Wine always answers the workgroup "Workgroup".
TEST(UserSheetOnWine, JoinInformationIsTheWorkgroup) {
    LPWSTR name = nullptr;
    NETSETUP_JOIN_STATUS status = NetSetupUnknownStatus;
    ASSERT_EQ(0u, plat::NetGetJoinInformation(nullptr, &name, &status));
    EXPECT_EQ(NetSetupWorkgroupName, status);
    ASSERT_NE(nullptr, name);
    EXPECT_STREQ(L"Workgroup", name);
    plat::NetApiBufferFree(name);
}

// The path's domain part comes from the workstation's workgroup when the
// computer is not joined, as it is under Wine.
TEST(UserSheetOnWine, TheObjectPathUsesTheWorkstationsWorkgroup) {
    LPBYTE buffer = nullptr;
    ASSERT_EQ(0u, plat::NetWkstaGetInfo(nullptr, 100, &buffer));
    const auto* info = reinterpret_cast<const WKSTA_INFO_100*>(buffer);
    const std::wstring workgroup = info->wki100_langroup ? info->wki100_langroup : L"";
    EXPECT_EQ(static_cast<DWORD>(PLATFORM_ID_NT), info->wki100_platform_id);
    plat::NetApiBufferFree(buffer);
    std::wstring domain;
    ASSERT_EQ(S_OK, vantrel::UserObjectDomain(ComputerName(), &domain));
    EXPECT_EQ(workgroup, domain);
    EXPECT_FALSE(domain.empty());
}

// What the Member Of page lists for the current user: Wine puts it into
// Administrators only, where Windows lists every local group it belongs to
// directly (Users at least, for a local account).
TEST(UserSheetOnWine, TheCurrentUserIsInAdministratorsOnly) {
    LPBYTE buffer = nullptr;
    DWORD read = 99, total = 99;
    const NET_API_STATUS status = plat::NetUserGetLocalGroups(nullptr, CurrentUser().c_str(), 0, 0, &buffer,
                                                              MAX_PREFERRED_LENGTH, &read, &total);
    EXPECT_EQ(0u, status);
    std::wstring names;
    for (DWORD i = 0; i < read; ++i) names += std::wstring(reinterpret_cast<LOCALGROUP_USERS_INFO_0*>(buffer)[i].lgrui0_name) + L";";
    EXPECT_EQ(L"Administrators;", names);
    EXPECT_EQ(read, total);
    if (buffer) plat::NetApiBufferFree(buffer);
}

// Windows' WinNT provider binds the user object; Wine's ADsGetObject knows
// no WinNT provider, so the sheet is not shown there and the bind's failure
// is what the user sees.
TEST(UserSheetOnWine, TheUserObjectCannotBeBound) {
    IADsUser* user = nullptr;
    const std::wstring path = vantrel::UserObjectPath(L"Workgroup", ComputerName(), CurrentUser());
    const HRESULT direct = plat::ADsGetObject(path.c_str(), IID_IADsUser, reinterpret_cast<void**>(&user));
    EXPECT_TRUE(FAILED(direct)) << std::hex << direct;
    EXPECT_EQ(nullptr, user);
    vantrel::ComPtr<IADsUser> bound;
    EXPECT_EQ(direct, vantrel::BindUserObject(ComputerName(), CurrentUser(), &bound));
    EXPECT_FALSE(bound);
}

}  // namespace
