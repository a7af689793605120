#pragma once
// What the user and local-group tests share: a small network with local
// accounts, and readers of memberships.
#include "LabTest.h"

#include "platform/KernelHandles.h"
#include "platform/Logon.h"

#include <string>
#include <vector>

namespace labtest {

// WS01 (the local computer, administered by the operator) has the users
// support (an administrator) and temp (disabled) and two groups with
// LAB\helpdesk in them; FS01 is administered by the help desk only; DC01 is
// the domain controller; OLD is off the network.
constexpr char kAccountsScenario[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\operator",
  "accounts": [
    { "name": "LAB\\operator", "password": "o", "groups": ["LAB\\Domain Users"] },
    { "name": "LAB\\helpdesk", "password": "h", "groups": ["LAB\\Helpdesk", "LAB\\Domain Users"] }
  ],
  "computers": [
    { "name": "WS01", "local": true, "ip": "10.0.0.10", "administrators": ["LAB\\operator"],
      "users": [
        { "name": "support", "password": "s", "fullName": "Desktop Support", "comment": "Local support account",
          "groups": ["Administrators"] },
        { "name": "temp", "password": "t", "disabled": true }
      ],
      "groups": [
        { "name": "Remote Desktop Users", "members": ["LAB\\helpdesk"] },
        { "name": "Share Admins", "comment": "Manage the shares", "members": ["LAB\\helpdesk"] }
      ] },
    { "name": "FS01", "ip": "10.0.0.20", "administrators": ["LAB\\Helpdesk"] },
    { "name": "DC01", "ip": "10.0.0.2", "administrators": ["LAB\\operator"],
      "os": { "major": 10, "minor": 0, "build": 17763, "role": "domainController" } },
    { "name": "OLD", "ip": "10.0.0.99", "online": false }
  ]
})";

class AccountsLabTest : public ScenarioLabTest {
protected:
    AccountsLabTest() : ScenarioLabTest(kAccountsScenario) {}

    // The local groups `user` is a member of (directly, or also indirectly).
    static std::vector<std::wstring> LocalGroupsOf(const wchar_t* server, const wchar_t* user,
                                                   DWORD flags = LG_INCLUDE_INDIRECT, DWORD expected = 0) {
        NetBuffer out;
        DWORD read = 0, total = 0;
        const DWORD rc =
            plat::NetUserGetLocalGroups(server, user, 0, flags, out.Put(), MAX_PREFERRED_LENGTH, &read, &total);
        EXPECT_EQ(expected, rc) << user;
        std::vector<std::wstring> names;
        for (DWORD i = 0; i < read; ++i)
            names.push_back(reinterpret_cast<const LOCALGROUP_USERS_INFO_0*>(out.Get())[i].lgrui0_name);
        return names;
    }

    // DOMAIN\name of a group's members, in the group's order.
    static std::vector<std::wstring> MemberNames(const wchar_t* server, const wchar_t* group) {
        NetBuffer out;
        DWORD read = 0, total = 0;
        const DWORD rc = plat::NetLocalGroupGetMembers(server, group, 3, out.Put(), MAX_PREFERRED_LENGTH, &read,
                                                       &total, nullptr);
        EXPECT_EQ(0u, rc) << group;
        std::vector<std::wstring> names;
        for (DWORD i = 0; i < read; ++i)
            names.push_back(reinterpret_cast<const LOCALGROUP_MEMBERS_INFO_3*>(out.Get())[i].lgrmi3_domainandname);
        return names;
    }

    // How a logon of the computer's own account answers (0: it logs on).
    static DWORD LogonError(const wchar_t* computer, const wchar_t* user, const wchar_t* password) {
        HANDLE token = nullptr;
        if (!plat::LogonUserW(user, computer, password, LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT, &token))
            return ::GetLastError();
        plat::CloseHandle(token);
        return 0;
    }
};

}  // namespace labtest
