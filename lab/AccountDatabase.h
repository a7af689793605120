#pragma once
// Each computer's own account database, as its security accounts manager and
// local security authority keep it: the account domain (its name and
// identifier), local users, local groups with their members (by identifier),
// and the rights and privileges granted to identifiers. It decides who
// administers the computer (members of its Administrators group), which
// local accounts can log on, what lookups of the computer's own accounts
// answer, and which rights an identity holds there.
//
// A domain controller's database is the domain's: its account domain is the
// domain, its users are the domain's accounts.
//
// Members and rights are keyed by identifier text ("S-1-5-21-...-500"), so a
// domain group (LAB\Domain Admins) can be a member of a local group and hold a
// right like any local account. Everything here runs under the network's
// mutex (the gate, or the control API's lock).
#include "lab/Model.h"

#include <lm.h>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace lab {

using SidBytes = std::vector<BYTE>;

struct LocalUser {
    std::wstring name;
    DWORD rid = 0;
    std::wstring password;
    DWORD flags = UF_SCRIPT | UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD;  // UF_*
    std::wstring fullName;
    std::wstring comment;
    bool passwordExpired = false;
    std::wstring profilePath;
    std::wstring logonScript;
    std::wstring homeDirectory;
    std::wstring homeDrive;  // "H:"

    bool Disabled() const { return (flags & UF_ACCOUNTDISABLE) != 0; }
};

struct LocalGroup {
    std::wstring name;
    DWORD rid = 0;
    bool builtin = false;  // BUILTIN\... (S-1-5-32-rid), else in the account domain
    std::wstring comment;
    std::vector<std::wstring> members;  // identifier texts, in the order added
};

class AccountDatabase {
public:
    std::wstring domainName;  // the account domain: the computer's name, or the domain on a controller
    SidBytes domainSid;
    DWORD minPasswordLength = 0;  // the password policy: controllers ask for 7 characters

    // Users and groups by name, without case; null when there is none.
    LocalUser* FindUser(std::wstring_view name);
    const LocalUser* FindUser(std::wstring_view name) const;
    const LocalUser* FindUserByRid(DWORD rid) const;
    LocalGroup* FindGroup(std::wstring_view name);
    const LocalGroup* FindGroup(std::wstring_view name) const;
    const LocalGroup* FindGroupBySid(const SidBytes& sid) const;
    const std::vector<LocalUser>& Users() const { return users_; }
    // Changes whenever a user is added, deleted or renamed (for orders kept
    // beside the database).
    size_t UsersVersion() const { return usersVersion_; }
    const std::vector<LocalGroup>& Groups() const { return groups_; }

    // Adds a user (its relative identifier: the one it has, or the lab's
    // stable one for the name). NERR_UserExists / NERR_GroupExists when the
    // name is taken by a user or a group.
    DWORD AddUser(LocalUser user);
    DWORD DeleteUser(std::wstring_view name);  // NERR_UserNotFound; leaves the groups' membership too
    DWORD AddGroup(LocalGroup group);
    // NERR_UserNotFound / ERROR_NO_SUCH_ALIAS for an unknown account; the new
    // name may not be taken by another user or group (the account's own name
    // in another case is fine). The identifier stays.
    DWORD RenameUser(std::wstring_view name, const std::wstring& newName);
    DWORD RenameGroup(std::wstring_view name, const std::wstring& newName);
    DWORD DeleteGroup(std::wstring_view name);  // ERROR_NO_SUCH_ALIAS
    // ERROR_NO_SUCH_ALIAS for an unknown group; ERROR_MEMBER_IN_ALIAS when
    // it is a member already, ERROR_MEMBER_NOT_IN_ALIAS when it is not.
    DWORD AddMember(std::wstring_view group, const std::wstring& sid);
    DWORD RemoveMember(std::wstring_view group, const std::wstring& sid);

    // The identifiers of a local user and of a group of this database.
    SidBytes UserSid(const LocalUser& user) const;
    SidBytes GroupSid(const LocalGroup& group) const;

    // Whether any of `sids` (an identity's: its own and its groups') is a
    // member of the group.
    bool AnyIsMember(std::wstring_view group, const std::set<std::wstring>& sids) const;
    // `sids` and the local groups any of them is a member of.
    std::set<std::wstring> WithLocalGroups(const std::set<std::wstring>& sids) const;

    // Rights and privileges granted to one identifier, and to any of an
    // identity's identifiers (its local groups included).
    const std::set<std::wstring>* RightsOf(const std::wstring& sid) const;
    bool HasRightsEntry(const std::wstring& sid) const { return rights_.count(sid) != 0; }
    void Grant(const std::wstring& sid, const std::wstring& right) { rights_[sid].insert(right); }
    bool Holds(const std::set<std::wstring>& sids, std::wstring_view right) const;

private:
    std::vector<LocalUser> users_;
    size_t usersVersion_ = 0;
    std::vector<LocalGroup> groups_;
    std::map<std::wstring, std::set<std::wstring>> rights_;  // identifier text -> right names
};

// How the accounts manager answers a new user or group name: 0 when it may
// be used; NERR_BadUsername for an empty or too long name or one of periods
// and blanks only; ERROR_INVALID_PARAMETER for a name with a character no
// account name may have. A failure reports `field` through `parmErr` (when
// there is one), as the net functions name the failing field.
DWORD CheckAccountName(const wchar_t* name, size_t maxChars, DWORD* parmErr, DWORD field);
// ERROR_INVALID_PARAMETER (and `field`) for a comment or full name longer
// than the accounts manager keeps.
DWORD CheckAccountText(const wchar_t* text, DWORD* parmErr, DWORD field);
constexpr size_t kMaxUserNameChars = 20;
constexpr size_t kMaxGroupNameChars = 256;

// The database of a computer (filled when the network is built).
AccountDatabase& AccountsOf(Computer& computer);
const AccountDatabase& AccountsOf(const Computer& computer);

// What a scenario adds to a computer's database before it is built (the
// computer's `users` and `groups`; members and account names are resolved
// once the whole network is known).
struct DeclaredAccounts {
    struct Group {
        std::wstring name;
        std::wstring comment;
        std::vector<std::wstring> members;  // account names: "DOMAIN\name", ".\name" or a local name
    };
    std::vector<LocalUser> users;
    std::vector<std::vector<std::wstring>> userGroups;  // per user: the local groups it joins
    std::vector<Group> groups;
    // The accounts the computer's services log on as: installing a service
    // grants its account the right to log on as a service.
    std::vector<std::wstring> serviceAccounts;
};

// Fills every computer's database: the account domain, the built-in users
// and groups, the scenario's local users and groups, the domain's groups in
// the local ones of domain members, the computer's `administrators` in its
// Administrators group, the accounts of `COMPUTER\name` form, and the rights
// every installation grants.
void BuildAccountDatabases(Network& net);

// The identifier text of "DOMAIN\name" as seen from `computer` (".\name" and
// a bare name are the computer's own); empty for a name without an identifier.
std::wstring SidTextOf(const Network& net, const Computer& computer, std::wstring_view account);

// An identity's identifiers: its own, its domain groups', and those every
// logged-on identity has (Everyone, Authenticated Users).
std::set<std::wstring> IdentitySids(const Network& net, std::wstring_view identity);

}  // namespace lab
