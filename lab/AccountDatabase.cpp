#include "lab/AccountDatabase.h"

#include "lab/Sids.h"
#include "lab/Text.h"
#include "lab/families/Accounts.h"

#include <lm.h>

#include <cwchar>

namespace lab {

namespace {

template <typename List>
auto* FindByName(List& list, std::wstring_view name) {
    for (auto& item : list) {
        if (EqualsNoCase(item.name, name)) return &item;
    }
    return static_cast<decltype(&list[0])>(nullptr);
}

std::wstring Text(const SidBytes& sid) { return accounts::SidText(sid); }

std::wstring WellKnownText(BYTE authority, DWORD rid) { return Text(accounts::MakeSid(authority, {rid})); }
std::wstring BuiltinText(DWORD rid) { return Text(accounts::MakeSid(5, {32, rid})); }

const std::wstring& Everyone() {
    static const std::wstring sid = WellKnownText(1, 0);
    return sid;
}

struct BuiltinGroup {
    DWORD rid;
    const wchar_t* name;
    bool controllersOnly;
    const wchar_t* comment;
};

constexpr BuiltinGroup kBuiltinGroups[] = {
    {544, L"Administrators", false,
     L"Administrators have complete and unrestricted access to the computer/domain"},
    {545, L"Users", false,
     L"Users are prevented from making accidental or intentional system-wide changes and can run most "
     L"applications"},
    {546, L"Guests", false, L"Guests have the same access as members of the Users group by default, except for the "
                            L"Guest account which is further restricted"},
    {547, L"Power Users", false, L"Power Users are included for backwards compatibility and possess limited "
                                 L"administrative powers"},
    {548, L"Account Operators", true, L"Members can administer domain user and group accounts"},
    {549, L"Server Operators", true, L"Members can administer domain servers"},
    {550, L"Print Operators", false, L"Members can administer printers installed on domain controllers"},
    {551, L"Backup Operators", false,
     L"Backup Operators can override security restrictions for the sole purpose of backing up or restoring files"},
    {552, L"Replicator", false, L"Supports file replication in a domain"},
    {555, L"Remote Desktop Users", false, L"Members in this group are granted the right to logon remotely"},
    {556, L"Network Configuration Operators", false,
     L"Members in this group can have some administrative privileges to manage configuration of networking "
     L"features"},
    {558, L"Performance Monitor Users", false,
     L"Members of this group can access performance counter data locally and remotely"},
    {559, L"Performance Log Users", false,
     L"Members of this group may schedule logging of performance counters, enable trace providers, and collect "
     L"event traces both locally and via remote access to this computer"},
    {562, L"Distributed COM Users", false,
     L"Members are allowed to launch, activate and use Distributed COM objects on this machine."},
    {573, L"Event Log Readers", false, L"Members of this group can read event logs from local machine"},
};

// The rights a fresh installation grants: right -> built-in group
// identifiers (and well-known ones). Workstations also let Users shut down.
struct DefaultRight {
    const wchar_t* right;
    std::vector<std::wstring> holders;
};

std::vector<DefaultRight> DefaultRights(bool workstation) {
    const std::wstring admins = BuiltinText(544), users = BuiltinText(545), backup = BuiltinText(551);
    const std::wstring localService = WellKnownText(5, 19), networkService = WellKnownText(5, 20);
    const std::wstring service = WellKnownText(5, 6);
    const std::wstring allServices = Text(accounts::MakeSid(5, {80, 0}));
    std::vector<std::wstring> shutdown{admins, backup};
    if (workstation) shutdown.push_back(users);
    return {
        {L"SeShutdownPrivilege", shutdown},
        {L"SeRemoteShutdownPrivilege", {admins}},
        {L"SeBackupPrivilege", {admins, backup}},
        {L"SeRestorePrivilege", {admins, backup}},
        {L"SeDebugPrivilege", {admins}},
        {L"SeSecurityPrivilege", {admins}},
        {L"SeTakeOwnershipPrivilege", {admins}},
        {L"SeLoadDriverPrivilege", {admins}},
        {L"SeSystemtimePrivilege", {admins, localService}},
        {L"SeChangeNotifyPrivilege", {Everyone(), admins, users, backup, localService, networkService}},
        {L"SeImpersonatePrivilege", {admins, localService, networkService, service}},
        {L"SeCreateGlobalPrivilege", {admins, localService, networkService, service}},
        {L"SeInteractiveLogonRight", {admins, users, backup}},
        {L"SeNetworkLogonRight", {Everyone(), admins, users, backup}},
        {L"SeBatchLogonRight", {admins, backup, BuiltinText(559)}},
        {L"SeRemoteInteractiveLogonRight", {admins, BuiltinText(555)}},
        {L"SeServiceLogonRight", {allServices}},
    };
}

// What every database starts with: the built-in accounts and groups.
void AddBuiltins(const Network& net, const Computer& c, AccountDatabase& db) {
    const bool dc = c.os.role == Role::DomainController;
    LocalUser administrator{L"Administrator", DOMAIN_USER_RID_ADMIN};
    administrator.comment = L"Built-in account for administering the computer/domain";
    if (const Account* a = net.FindAccount(db.domainName + L"\\Administrator")) administrator.password = a->password;
    db.AddUser(administrator);
    LocalUser guest{L"Guest", DOMAIN_USER_RID_GUEST};
    guest.flags |= UF_ACCOUNTDISABLE | UF_PASSWD_NOTREQD;
    guest.comment = L"Built-in account for guest access to the computer/domain";
    db.AddUser(guest);
    if (!dc && c.os.major >= 10) {
        LocalUser defaultAccount{L"DefaultAccount", 503};
        defaultAccount.flags |= UF_ACCOUNTDISABLE | UF_PASSWD_NOTREQD;
        defaultAccount.comment = L"A user account managed by the system.";
        db.AddUser(defaultAccount);
    }
    if (dc) {
        LocalUser krbtgt{L"krbtgt", DOMAIN_USER_RID_KRBTGT};
        krbtgt.flags |= UF_ACCOUNTDISABLE;
        krbtgt.comment = L"Key Distribution Center Service Account";
        db.AddUser(krbtgt);
    }
    for (const BuiltinGroup& g : kBuiltinGroups) {
        if (g.controllersOnly && !dc) continue;
        db.AddGroup(LocalGroup{g.name, g.rid, true, g.comment, {}});
    }
}

}  // namespace

LocalUser* AccountDatabase::FindUser(std::wstring_view name) { return FindByName(users_, name); }
const LocalUser* AccountDatabase::FindUser(std::wstring_view name) const { return FindByName(users_, name); }
LocalGroup* AccountDatabase::FindGroup(std::wstring_view name) { return FindByName(groups_, name); }
const LocalGroup* AccountDatabase::FindGroup(std::wstring_view name) const { return FindByName(groups_, name); }

const LocalUser* AccountDatabase::FindUserByRid(DWORD rid) const {
    for (const LocalUser& u : users_) {
        if (u.rid == rid) return &u;
    }
    return nullptr;
}

const LocalGroup* AccountDatabase::FindGroupBySid(const SidBytes& sid) const {
    for (const LocalGroup& g : groups_) {
        if (GroupSid(g) == sid) return &g;
    }
    return nullptr;
}

DWORD AccountDatabase::AddUser(LocalUser user) {
    if (FindUser(user.name)) return NERR_UserExists;
    if (FindGroup(user.name)) return NERR_GroupExists;
    if (!user.rid) user.rid = AccountRid(user.name);
    users_.push_back(std::move(user));
    ++usersVersion_;
    return 0;
}

DWORD AccountDatabase::DeleteUser(std::wstring_view name) {
    for (auto it = users_.begin(); it != users_.end(); ++it) {
        if (!EqualsNoCase(it->name, name)) continue;
        const std::wstring sid = Text(UserSid(*it));
        for (LocalGroup& g : groups_) std::erase(g.members, sid);
        rights_.erase(sid);
        users_.erase(it);
        ++usersVersion_;
        return 0;
    }
    return NERR_UserNotFound;
}

DWORD AccountDatabase::AddGroup(LocalGroup group) {
    if (FindGroup(group.name)) return ERROR_ALIAS_EXISTS;
    if (FindUser(group.name)) return NERR_UserExists;
    if (!group.rid) group.rid = AccountRid(group.name);
    groups_.push_back(std::move(group));
    return 0;
}

DWORD AccountDatabase::RenameUser(std::wstring_view name, const std::wstring& newName) {
    LocalUser* user = FindUser(name);
    if (!user) return NERR_UserNotFound;
    if (const LocalUser* other = FindUser(newName); other && other != user) return NERR_UserExists;
    if (FindGroup(newName)) return NERR_GroupExists;
    user->name = newName;
    ++usersVersion_;
    return 0;
}

DWORD AccountDatabase::RenameGroup(std::wstring_view name, const std::wstring& newName) {
    LocalGroup* group = FindGroup(name);
    if (!group) return ERROR_NO_SUCH_ALIAS;
    if (const LocalGroup* other = FindGroup(newName); other && other != group) return ERROR_ALIAS_EXISTS;
    if (FindUser(newName)) return NERR_UserExists;
    group->name = newName;
    return 0;
}

DWORD AccountDatabase::DeleteGroup(std::wstring_view name) {
    for (auto it = groups_.begin(); it != groups_.end(); ++it) {
        if (!EqualsNoCase(it->name, name)) continue;
        rights_.erase(Text(GroupSid(*it)));
        groups_.erase(it);
        return 0;
    }
    return ERROR_NO_SUCH_ALIAS;
}

DWORD AccountDatabase::AddMember(std::wstring_view group, const std::wstring& sid) {
    LocalGroup* g = FindGroup(group);
    if (!g) return ERROR_NO_SUCH_ALIAS;
    for (const std::wstring& m : g->members) {
        if (m == sid) return ERROR_MEMBER_IN_ALIAS;
    }
    g->members.push_back(sid);
    return 0;
}

DWORD AccountDatabase::RemoveMember(std::wstring_view group, const std::wstring& sid) {
    LocalGroup* g = FindGroup(group);
    if (!g) return ERROR_NO_SUCH_ALIAS;
    const size_t removed = std::erase(g->members, sid);
    return removed ? 0 : ERROR_MEMBER_NOT_IN_ALIAS;
}

SidBytes AccountDatabase::UserSid(const LocalUser& user) const {
    SidBytes sid = domainSid;
    if (sid.size() < 8) return {};
    sid[1] = static_cast<BYTE>(sid[1] + 1);
    const BYTE* rid = reinterpret_cast<const BYTE*>(&user.rid);
    sid.insert(sid.end(), rid, rid + sizeof(DWORD));
    return sid;
}

SidBytes AccountDatabase::GroupSid(const LocalGroup& group) const {
    if (group.builtin) return accounts::MakeSid(5, {32, group.rid});
    LocalUser asUser;
    asUser.rid = group.rid;
    return UserSid(asUser);
}

bool AccountDatabase::AnyIsMember(std::wstring_view group, const std::set<std::wstring>& sids) const {
    const LocalGroup* g = FindGroup(group);
    if (!g) return false;
    for (const std::wstring& m : g->members) {
        if (sids.count(m)) return true;
    }
    return false;
}

std::set<std::wstring> AccountDatabase::WithLocalGroups(const std::set<std::wstring>& sids) const {
    std::set<std::wstring> out = sids;
    for (const LocalGroup& g : groups_) {
        for (const std::wstring& m : g.members) {
            if (sids.count(m)) {
                out.insert(Text(GroupSid(g)));
                break;
            }
        }
    }
    return out;
}

const std::set<std::wstring>* AccountDatabase::RightsOf(const std::wstring& sid) const {
    const auto it = rights_.find(sid);
    return it == rights_.end() ? nullptr : &it->second;
}

bool AccountDatabase::Holds(const std::set<std::wstring>& sids, std::wstring_view right) const {
    for (const std::wstring& sid : WithLocalGroups(sids)) {
        const std::set<std::wstring>* held = RightsOf(sid);
        if (held && held->count(std::wstring(right))) return true;
    }
    return false;
}

namespace {

DWORD NameError(std::wstring_view name, size_t maxChars) {
    if (name.empty() || name.size() > maxChars) return NERR_BadUsername;
    if (name.find_first_not_of(L". ") == std::wstring_view::npos) return NERR_BadUsername;
    for (wchar_t ch : name) {
        if (ch < 32 || std::wstring_view(L"\"/\\[]:;|=,+*?<>").find(ch) != std::wstring_view::npos)
            return ERROR_INVALID_PARAMETER;
    }
    return 0;
}

DWORD Failing(DWORD error, DWORD* parmErr, DWORD field) {
    if (error && parmErr) *parmErr = field;
    return error;
}

}  // namespace

DWORD CheckAccountName(const wchar_t* name, size_t maxChars, DWORD* parmErr, DWORD field) {
    return Failing(NameError(name ? name : L"", maxChars), parmErr, field);
}

DWORD CheckAccountText(const wchar_t* text, DWORD* parmErr, DWORD field) {
    return Failing(text && std::wcslen(text) > MAXCOMMENTSZ ? ERROR_INVALID_PARAMETER : 0, parmErr, field);
}

AccountDatabase& AccountsOf(Computer& computer) { return computer.Section<AccountDatabase>(); }

const AccountDatabase& AccountsOf(const Computer& computer) {
    if (const AccountDatabase* db = computer.FindSection<AccountDatabase>()) return *db;
    static const AccountDatabase empty;
    return empty;
}

std::wstring SidTextOf(const Network& net, const Computer& computer, std::wstring_view account) {
    const std::wstring own = accounts::AccountDomainName(net, computer);
    std::wstring name(account);
    if (name.rfind(L".\\", 0) == 0) {
        name = own + name.substr(1);
    } else if (name.find(L'\\') == std::wstring::npos) {
        const SidBytes wellKnown = AccountSid(name);
        if (!wellKnown.empty()) return Text(wellKnown);
        name = own + L"\\" + name;
    }
    return Text(AccountSid(name));
}

std::set<std::wstring> IdentitySids(const Network& net, std::wstring_view identity) {
    std::set<std::wstring> out{Everyone(), WellKnownText(5, 11)};
    if (const SidBytes own = AccountSid(identity); !own.empty()) out.insert(Text(own));
    if (const Account* account = net.FindAccount(identity)) {
        for (const std::wstring& group : account->groups) {
            if (const SidBytes sid = AccountSid(group); !sid.empty()) out.insert(Text(sid));
        }
    }
    return out;
}

void BuildAccountDatabases(Network& net) {
    for (const auto& c : net.computers) {
        AccountDatabase& db = AccountsOf(*c);
        const bool dc = c->os.role == Role::DomainController;
        db.domainName = accounts::AccountDomainName(net, *c);
        db.domainSid = accounts::MachineSid(net, *c);
        db.minPasswordLength = dc ? 7 : 0;
        AddBuiltins(net, *c, db);
        auto sidOf = [&](std::wstring_view name) { return SidTextOf(net, *c, name); };
        const std::wstring self = Text(db.UserSid(*db.FindUser(L"Administrator")));
        db.AddMember(L"Administrators", self);
        db.AddMember(L"Guests", Text(db.UserSid(*db.FindUser(L"Guest"))));
        db.AddMember(L"Users", WellKnownText(5, 4));   // INTERACTIVE
        db.AddMember(L"Users", WellKnownText(5, 11));  // Authenticated Users
        if (EqualsNoCase(c->domain, net.domainName) || dc) {
            db.AddMember(L"Users", sidOf(net.domainName + L"\\Domain Users"));
            db.AddMember(L"Guests", sidOf(net.domainName + L"\\Domain Guests"));
        }
        for (const std::wstring& admin : c->administrators) db.AddMember(L"Administrators", sidOf(admin));

        // The scenario's own users and groups, then the accounts it names
        // COMPUTER\user (their COMPUTER\group groups are local groups).
        const DeclaredAccounts* declared = c->FindSection<DeclaredAccounts>();
        std::vector<std::pair<std::wstring, std::wstring>> joins;  // user, group
        if (declared) {
            for (size_t i = 0; i < declared->users.size(); ++i) {
                // A built-in user named again takes the scenario's fields.
                if (LocalUser* existing = db.FindUser(declared->users[i].name)) {
                    const DWORD rid = existing->rid;
                    const std::wstring comment = existing->comment;
                    *existing = declared->users[i];
                    existing->rid = rid;
                    if (existing->comment.empty()) existing->comment = comment;
                } else {
                    db.AddUser(declared->users[i]);
                }
                for (const std::wstring& g : declared->userGroups[i]) joins.emplace_back(declared->users[i].name, g);
            }
        }
        for (const Account& a : net.accounts) {
            if (!EqualsNoCase(a.Domain(), db.domainName) || dc) continue;
            LocalUser user{std::wstring(a.User())};
            user.password = a.password;
            if (LocalUser* existing = db.FindUser(user.name)) existing->password = a.password;
            else db.AddUser(user);
            for (const std::wstring& g : a.groups) {
                const size_t slash = g.find(L'\\');
                if (slash != std::wstring::npos && EqualsNoCase(std::wstring_view(g).substr(0, slash), db.domainName))
                    joins.emplace_back(std::wstring(a.User()), g.substr(slash + 1));
            }
        }
        if (declared) {
            for (const DeclaredAccounts::Group& g : declared->groups) {
                if (!db.FindGroup(g.name)) db.AddGroup(LocalGroup{g.name, 0, false, g.comment, {}});
                else if (!g.comment.empty()) db.FindGroup(g.name)->comment = g.comment;
                for (const std::wstring& member : g.members) db.AddMember(g.name, sidOf(member));
            }
        }
        for (const auto& [user, group] : joins) {
            if (!db.FindGroup(group)) db.AddGroup(LocalGroup{group, 0, false, L"", {}});
            db.AddMember(group, sidOf(user));
        }
        // A local user (not built in) is a member of Users, as when it is created.
        for (const LocalUser& u : db.Users()) {
            if (u.rid >= 1000) db.AddMember(L"Users", Text(db.UserSid(u)));
        }
        if (declared) {
            for (const std::wstring& account : declared->serviceAccounts) db.Grant(sidOf(account), L"SeServiceLogonRight");
        }
        for (const DefaultRight& r : DefaultRights(c->os.role == Role::Workstation)) {
            for (const std::wstring& holder : r.holders) db.Grant(holder, r.right);
        }
    }
}

}  // namespace lab
