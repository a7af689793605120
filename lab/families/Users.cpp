// Network management: the local user accounts of each computer's account
// database (NetUserEnum, NetQueryDisplayInformation, NetUserGetInfo,
// NetUserSetInfo, NetUserAdd, NetUserDel, NetUserGetLocalGroups).
//
// Reading accounts is open to every identity that reaches the computer, as
// on member servers and workstations; every change needs an administrator
// of the computer. Passwords are never handed out.
#include "platform/NetManagement.h"

#include "lab/AccountDatabase.h"
#include "lab/Gate.h"
#include "lab/LabControl.h"
#include "lab/Memory.h"
#include "lab/Protocol.h"
#include "lab/State.h"
#include "lab/Text.h"
#include "lab/families/Accounts.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <set>
#include <cwchar>
#include <vector>

namespace {

using lab::Chars;
using lab::LocalUser;

// Windows hands the logon hours out as 21 bytes, every hour allowed.
constexpr size_t kLogonHoursChars = 11;
const std::wstring& AllHours() {
    static const std::wstring hours(kLogonHoursChars, static_cast<wchar_t>(0xFFFF));
    return hours;
}
constexpr wchar_t kLogonServer[] = L"\\\\*";

// The levels 1 and 2 are leading parts of level 3.
static_assert(offsetof(USER_INFO_2, usri2_code_page) == offsetof(USER_INFO_3, usri3_code_page));
static_assert(offsetof(USER_INFO_1, usri1_script_path) == offsetof(USER_INFO_2, usri2_script_path));

// What one user's answer holds besides the database's fields.
struct UserView {
    const LocalUser& user;
    lab::SidBytes sid;
    DWORD priv = USER_PRIV_USER;
};

UserView ViewOf(const lab::AccountDatabase& db, const LocalUser& user) {
    UserView v{user, db.UserSid(user)};
    const std::set<std::wstring> self{lab::accounts::SidText(v.sid)};
    if (db.AnyIsMember(L"Administrators", self)) v.priv = USER_PRIV_ADMIN;
    else if (!db.AnyIsMember(L"Users", self) && db.AnyIsMember(L"Guests", self)) v.priv = USER_PRIV_GUEST;
    return v;
}

// Characters of the string area one user takes at any level: its strings,
// the empty ones, the logon hours and its identifier (put first).
size_t UserChars(const UserView& v) {
    const LocalUser& u = v.user;
    return (v.sid.size() + 1) / sizeof(wchar_t) + Chars(u.name) + Chars(u.fullName) + Chars(u.comment) +
           Chars(u.homeDirectory) + Chars(u.logonScript) + Chars(u.profilePath) + Chars(u.homeDrive) +
           Chars(kLogonServer) + 3 * Chars(L"") + Chars(AllHours());
}

size_t RecordSize(DWORD level) {
    switch (level) {
        case 0: return sizeof(USER_INFO_0);
        case 1: return sizeof(USER_INFO_1);
        case 2: return sizeof(USER_INFO_2);
        case 3: return sizeof(USER_INFO_3);
        case 10: return sizeof(USER_INFO_10);
        case 20: return sizeof(USER_INFO_20);
        case 23: return sizeof(USER_INFO_23);
        default: return 0;  // not a level the lab answers
    }
}

template <typename Out>
void Fill3(Out& out, USER_INFO_3& r, const UserView& v) {
    const LocalUser& u = v.user;
    r.usri3_name = out.Put(u.name);
    r.usri3_password = nullptr;
    r.usri3_priv = v.priv;
    r.usri3_home_dir = out.Put(u.homeDirectory);
    r.usri3_comment = out.Put(u.comment);
    r.usri3_flags = u.flags;
    r.usri3_script_path = out.Put(u.logonScript);
    r.usri3_full_name = out.Put(u.fullName);
    r.usri3_usr_comment = out.Put(L"");
    r.usri3_parms = out.Put(L"");
    r.usri3_workstations = out.Put(L"");
    r.usri3_acct_expires = TIMEQ_FOREVER;
    r.usri3_max_storage = USER_MAXSTORAGE_UNLIMITED;
    r.usri3_units_per_week = UNITS_PER_WEEK;
    r.usri3_logon_hours = reinterpret_cast<PBYTE>(out.Put(AllHours()));
    r.usri3_logon_server = out.Put(kLogonServer);
    r.usri3_user_id = u.rid;
    r.usri3_primary_group_id = DOMAIN_GROUP_RID_USERS;
    r.usri3_profile = out.Put(u.profilePath);
    r.usri3_home_dir_drive = out.Put(u.homeDrive);
    r.usri3_password_expired = u.passwordExpired ? 1 : 0;
}

// One block with the records [first, first + n) of `users` at `level`.
template <typename T, typename Fill>
NET_API_STATUS HandUsers(const std::vector<UserView>& users, size_t first, size_t n, const std::wstring& computer,
                         const char* function, LPBYTE* bufptr, Fill fill) {
    size_t chars = 0;
    for (size_t i = 0; i < n; ++i) chars += UserChars(users[first + i]);
    lab::RecordBuffer<T> out(n, chars);
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    // Identifiers first, so that they keep the alignment of the records.
    std::vector<PSID> sids(n);
    for (size_t i = 0; i < n; ++i) sids[i] = out.PutBytes(users[first + i].sid.data(), users[first + i].sid.size());
    for (size_t i = 0; i < n; ++i) fill(out, out[i], users[first + i], sids[i]);
    *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, computer, function));
    return NERR_Success;
}

NET_API_STATUS FillUsers(const std::vector<UserView>& users, size_t first, size_t n, DWORD level,
                         const std::wstring& computer, const char* function, LPBYTE* bufptr) {
    switch (level) {
        case 0:
            return HandUsers<USER_INFO_0>(users, first, n, computer, function, bufptr,
                                          [](auto& out, USER_INFO_0& r, const UserView& v, PSID) {
                                              r.usri0_name = out.Put(v.user.name);
                                          });
        case 1:
            return HandUsers<USER_INFO_1>(users, first, n, computer, function, bufptr,
                                          [](auto& out, USER_INFO_1& r, const UserView& v, PSID) {
                                              USER_INFO_3 full{};
                                              Fill3(out, full, v);
                                              std::memcpy(&r, &full, sizeof r);
                                          });
        case 2:
            return HandUsers<USER_INFO_2>(users, first, n, computer, function, bufptr,
                                          [](auto& out, USER_INFO_2& r, const UserView& v, PSID) {
                                              USER_INFO_3 full{};
                                              Fill3(out, full, v);
                                              std::memcpy(&r, &full, sizeof r);
                                          });
        case 3:
            return HandUsers<USER_INFO_3>(users, first, n, computer, function, bufptr,
                                          [](auto& out, USER_INFO_3& r, const UserView& v, PSID) { Fill3(out, r, v); });
        case 10:
            return HandUsers<USER_INFO_10>(users, first, n, computer, function, bufptr,
                                           [](auto& out, USER_INFO_10& r, const UserView& v, PSID) {
                                               r.usri10_name = out.Put(v.user.name);
                                               r.usri10_comment = out.Put(v.user.comment);
                                               r.usri10_usr_comment = out.Put(L"");
                                               r.usri10_full_name = out.Put(v.user.fullName);
                                           });
        case 20:
            return HandUsers<USER_INFO_20>(users, first, n, computer, function, bufptr,
                                           [](auto& out, USER_INFO_20& r, const UserView& v, PSID) {
                                               r.usri20_name = out.Put(v.user.name);
                                               r.usri20_full_name = out.Put(v.user.fullName);
                                               r.usri20_comment = out.Put(v.user.comment);
                                               r.usri20_flags = v.user.flags;
                                               r.usri20_user_id = v.user.rid;
                                           });
        default:
            return HandUsers<USER_INFO_23>(users, first, n, computer, function, bufptr,
                                           [](auto& out, USER_INFO_23& r, const UserView& v, PSID sid) {
                                               r.usri23_name = out.Put(v.user.name);
                                               r.usri23_full_name = out.Put(v.user.fullName);
                                               r.usri23_comment = out.Put(v.user.comment);
                                               r.usri23_flags = v.user.flags;
                                               r.usri23_user_sid = sid;
                                           });
    }
}

// --- Changes ------------------------------------------------------------------

DWORD CheckName(const wchar_t* name, LPDWORD parm_err) {
    return lab::CheckAccountName(name, lab::kMaxUserNameChars, parm_err, USER_NAME_PARMNUM);
}

DWORD CheckPassword(const lab::AccountDatabase& db, const wchar_t* password, DWORD flags) {
    const size_t length = password ? std::wcslen(password) : 0;
    if (length == 0 && (flags & UF_PASSWD_NOTREQD)) return 0;
    return length < db.minPasswordLength ? NERR_PasswordTooShort : 0;
}

// Flags as the accounts manager keeps them: an account always has a type
// (a caller that passes none keeps the one it has) and runs its script.
DWORD KeptFlags(DWORD asked, DWORD current) {
    if (!(asked & UF_ACCOUNT_TYPE_MASK)) asked |= current & UF_ACCOUNT_TYPE_MASK;
    return asked | UF_SCRIPT;
}

std::wstring Text(const wchar_t* s) { return s ? s : L""; }

// The fields levels 1 to 3 have in common; `level3` adds the profile and the
// password's expiry. A null password leaves the password as it is.
DWORD ApplyCommon(const lab::AccountDatabase& db, LocalUser& u, const USER_INFO_1& in, LPDWORD parm_err) {
    if (const DWORD bad = lab::CheckAccountText(in.usri1_comment, parm_err, USER_COMMENT_PARMNUM)) return bad;
    const DWORD flags = KeptFlags(in.usri1_flags, u.flags);
    if (in.usri1_password) {
        if (const DWORD weak = CheckPassword(db, in.usri1_password, flags)) return weak;
        u.password = in.usri1_password;
    }
    u.flags = flags;
    u.comment = Text(in.usri1_comment);
    u.homeDirectory = Text(in.usri1_home_dir);
    u.logonScript = Text(in.usri1_script_path);
    return 0;
}

DWORD SetUser(lab::AccountDatabase& db, LocalUser& u, DWORD level, LPBYTE buf, LPDWORD parm_err) {
    switch (level) {
        case 0: {
            const wchar_t* name = reinterpret_cast<USER_INFO_0*>(buf)->usri0_name;
            if (const DWORD bad = CheckName(name, parm_err)) return bad;
            return db.RenameUser(u.name, name);
        }
        case 1: return ApplyCommon(db, u, *reinterpret_cast<USER_INFO_1*>(buf), parm_err);
        case 2:
        case 3: {
            USER_INFO_3 in{};
            std::memcpy(&in, buf, level == 3 ? sizeof(USER_INFO_3) : sizeof(USER_INFO_2));
            if (const DWORD bad = lab::CheckAccountText(in.usri3_full_name, parm_err, USER_FULL_NAME_PARMNUM)) return bad;
            USER_INFO_1 head;
            std::memcpy(&head, &in, sizeof head);
            LocalUser changed = u;
            if (const DWORD rc = ApplyCommon(db, changed, head, parm_err)) return rc;
            changed.fullName = Text(in.usri3_full_name);
            if (level == 3) {
                changed.profilePath = Text(in.usri3_profile);
                changed.homeDrive = Text(in.usri3_home_dir_drive);
                changed.passwordExpired = in.usri3_password_expired != 0;
            }
            u = std::move(changed);
            return 0;
        }
        case 1003: {
            const wchar_t* password = reinterpret_cast<USER_INFO_1003*>(buf)->usri1003_password;
            if (!password) {
                if (parm_err) *parm_err = USER_PASSWORD_PARMNUM;
                return ERROR_INVALID_PARAMETER;
            }
            if (const DWORD weak = CheckPassword(db, password, u.flags)) return weak;
            u.password = password;
            return 0;
        }
        case 1006: u.homeDirectory = Text(reinterpret_cast<USER_INFO_1006*>(buf)->usri1006_home_dir); return 0;
        case 1007: {
            const wchar_t* comment = reinterpret_cast<USER_INFO_1007*>(buf)->usri1007_comment;
            if (const DWORD bad = lab::CheckAccountText(comment, parm_err, USER_COMMENT_PARMNUM)) return bad;
            u.comment = Text(comment);
            return 0;
        }
        case 1008: u.flags = KeptFlags(reinterpret_cast<USER_INFO_1008*>(buf)->usri1008_flags, u.flags); return 0;
        case 1009: u.logonScript = Text(reinterpret_cast<USER_INFO_1009*>(buf)->usri1009_script_path); return 0;
        case 1011: {
            const wchar_t* fullName = reinterpret_cast<USER_INFO_1011*>(buf)->usri1011_full_name;
            if (const DWORD bad = lab::CheckAccountText(fullName, parm_err, USER_FULL_NAME_PARMNUM)) return bad;
            u.fullName = Text(fullName);
            return 0;
        }
        case 1052: u.profilePath = Text(reinterpret_cast<USER_INFO_1052*>(buf)->usri1052_profile); return 0;
        case 1053: u.homeDrive = Text(reinterpret_cast<USER_INFO_1053*>(buf)->usri1053_home_dir_drive); return 0;
        default: return ERROR_INVALID_LEVEL;
    }
}

bool IsSetLevel(DWORD level) {
    switch (level) {
        case 0: case 1: case 2: case 3: case 1003: case 1006: case 1007: case 1008: case 1009: case 1011:
        case 1052: case 1053:
            return true;
        default:
            return false;
    }
}

// --- The display order ----------------------------------------------------------

// NetQueryDisplayInformation answers in the order of the names, kept beside
// the database and rebuilt when its users change.
struct DisplayOrder {
    size_t version = static_cast<size_t>(-1);
    std::vector<size_t> order;  // indexes into the database's users
};

const std::vector<size_t>& SortedUsers(lab::Computer& computer) {
    const lab::AccountDatabase& db = lab::AccountsOf(computer);
    DisplayOrder& kept = computer.Section<DisplayOrder>();
    if (kept.version != db.UsersVersion() || kept.order.size() != db.Users().size()) {
        kept.order.resize(db.Users().size());
        for (size_t i = 0; i < kept.order.size(); ++i) kept.order[i] = i;
        const auto& users = db.Users();
        std::sort(kept.order.begin(), kept.order.end(), [&](size_t a, size_t b) {
            return ::_wcsicmp(users[a].name.c_str(), users[b].name.c_str()) < 0;
        });
        kept.version = db.UsersVersion();
    }
    return kept.order;
}

constexpr DWORD kMaxDisplayEntries = 100;  // per answer, whatever the caller asks for

}  // namespace

NET_API_STATUS WINAPI plat::NetUserGetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE* bufptr) {
    if (!bufptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetUserGetInfo");
    if (gate.Error()) return gate.Error();
    if (!RecordSize(level)) return ERROR_INVALID_LEVEL;
    if (!username) return ERROR_INVALID_PARAMETER;
    const lab::AccountDatabase& db = lab::AccountsOf(gate.Target());
    const LocalUser* user = db.FindUser(username);
    if (!user) return NERR_UserNotFound;
    return FillUsers({ViewOf(db, *user)}, 0, 1, level, gate.Target().name, "NetUserGetInfo", bufptr);
}

NET_API_STATUS WINAPI plat::NetUserEnum(LPCWSTR servername, DWORD level, DWORD filter, LPBYTE* bufptr,
                                        DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries,
                                        LPDWORD resume_handle) {
    if (const DWORD bad = lab::StartNetAnswer(bufptr, entriesread, totalentries)) return bad;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetUserEnum");
    if (gate.Error()) return gate.Error();
    if (!RecordSize(level)) return ERROR_INVALID_LEVEL;
    constexpr DWORD kFilters = FILTER_TEMP_DUPLICATE_ACCOUNT | FILTER_NORMAL_ACCOUNT | FILTER_INTERDOMAIN_TRUST_ACCOUNT |
                               FILTER_WORKSTATION_TRUST_ACCOUNT | FILTER_SERVER_TRUST_ACCOUNT;
    if (filter & ~kFilters) return ERROR_INVALID_PARAMETER;
    const lab::AccountDatabase& db = lab::AccountsOf(gate.Target());
    std::vector<UserView> users;
    for (const LocalUser& u : db.Users()) {
        // The lab's accounts are all normal ones; filter 0 means every kind.
        if (filter == 0 || (filter & FILTER_NORMAL_ACCOUNT)) users.push_back(ViewOf(db, u));
    }
    const lab::NetBatch batch = lab::NetBatchAt(users.size(), resume_handle, prefmaxlen, [&](size_t i) {
        return RecordSize(level) + UserChars(users[i]) * sizeof(wchar_t);
    });
    if (!batch.n) return lab::FinishNetBatch(batch, users.size(), entriesread, totalentries, resume_handle);
    if (const NET_API_STATUS rc =
            FillUsers(users, batch.first, batch.n, level, gate.Target().name, "NetUserEnum", bufptr))
        return rc;
    return lab::FinishNetBatch(batch, users.size(), entriesread, totalentries, resume_handle);
}

NET_API_STATUS WINAPI plat::NetQueryDisplayInformation(LPCWSTR ServerName, DWORD Level, DWORD Index,
                                                       DWORD EntriesRequested, DWORD PreferredMaximumLength,
                                                       LPDWORD ReturnedEntryCount, PVOID* SortedBuffer) {
    if (!ReturnedEntryCount || !SortedBuffer) return ERROR_INVALID_PARAMETER;
    *ReturnedEntryCount = 0;
    *SortedBuffer = nullptr;
    lab::Gate gate(ServerName, lab::Family::NetManagement, "NetQueryDisplayInformation");
    if (gate.Error()) return gate.Error();
    // Level 2 (machine accounts) and 3 (global groups) are not kept by the lab.
    if (Level != 1) return ERROR_INVALID_LEVEL;
    const std::vector<size_t>& order = SortedUsers(gate.Target());
    const auto& users = lab::AccountsOf(gate.Target()).Users();
    if (Index >= order.size()) return NERR_Success;
    const DWORD most = EntriesRequested ? std::min(EntriesRequested, kMaxDisplayEntries) : kMaxDisplayEntries;
    auto chars = [&](size_t i) {
        const LocalUser& u = users[order[i]];
        return Chars(u.name) + Chars(u.comment) + Chars(u.fullName);
    };
    const size_t n = lab::FitCount(order.size(), Index, lab::NetCapacity(PreferredMaximumLength), [&](size_t i) {
        return sizeof(NET_DISPLAY_USER) + chars(i) * sizeof(wchar_t);
    }, true, most);
    size_t total = 0;
    for (size_t i = 0; i < n; ++i) total += chars(Index + i);
    lab::RecordBuffer<NET_DISPLAY_USER> out(n, total);
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    for (size_t i = 0; i < n; ++i) {
        const LocalUser& u = users[order[Index + i]];
        out[i].usri1_name = out.Put(u.name);
        out[i].usri1_comment = out.Put(u.comment);
        out[i].usri1_flags = u.flags;
        out[i].usri1_full_name = out.Put(u.fullName);
        out[i].usri1_user_id = u.rid;
        out[i].usri1_next_index = static_cast<DWORD>(Index + i + 1);
    }
    *ReturnedEntryCount = static_cast<DWORD>(n);
    *SortedBuffer = out.Hand(LAB_KIND_NET_BUFFER, gate.Target().name, "NetQueryDisplayInformation");
    return Index + n < order.size() ? ERROR_MORE_DATA : NERR_Success;
}

NET_API_STATUS WINAPI plat::NetUserAdd(LPCWSTR servername, DWORD level, LPBYTE buf, LPDWORD parm_err) {
    lab::Gate gate(servername, lab::Family::NetManagement, "NetUserAdd");
    if (gate.Error()) return gate.Error();
    if (level < 1 || level > 3) return ERROR_INVALID_LEVEL;
    if (!buf) return ERROR_INVALID_PARAMETER;
    if (const DWORD denied = gate.RequireAdmin()) return denied;
    lab::AccountDatabase& db = lab::AccountsOf(gate.Target());
    const USER_INFO_1& head = *reinterpret_cast<USER_INFO_1*>(buf);
    if (const DWORD bad = CheckName(head.usri1_name, parm_err)) return bad;
    if (head.usri1_priv != USER_PRIV_USER) {
        if (parm_err) *parm_err = USER_PRIV_PARMNUM;
        return ERROR_INVALID_PARAMETER;
    }
    if (db.FindUser(head.usri1_name)) return NERR_UserExists;
    if (db.FindGroup(head.usri1_name)) return NERR_GroupExists;
    LocalUser user{head.usri1_name};
    user.flags = KeptFlags(head.usri1_flags, UF_NORMAL_ACCOUNT);
    if (const DWORD rc = SetUser(db, user, level, buf, parm_err)) return rc;
    if (!head.usri1_password) {
        if (const DWORD weak = CheckPassword(db, L"", user.flags)) return weak;
    }
    return db.AddUser(std::move(user));
}

NET_API_STATUS WINAPI plat::NetUserSetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE buf,
                                           LPDWORD parm_err) {
    lab::Gate gate(servername, lab::Family::NetManagement, "NetUserSetInfo");
    if (gate.Error()) return gate.Error();
    if (!IsSetLevel(level)) return ERROR_INVALID_LEVEL;
    if (!buf || !username) return ERROR_INVALID_PARAMETER;
    if (const DWORD denied = gate.RequireAdmin()) return denied;
    lab::AccountDatabase& db = lab::AccountsOf(gate.Target());
    LocalUser* user = db.FindUser(username);
    if (!user) return NERR_UserNotFound;
    return SetUser(db, *user, level, buf, parm_err);
}

NET_API_STATUS WINAPI plat::NetUserDel(LPCWSTR servername, LPCWSTR username) {
    lab::Gate gate(servername, lab::Family::NetManagement, "NetUserDel");
    if (gate.Error()) return gate.Error();
    if (!username) return ERROR_INVALID_PARAMETER;
    if (const DWORD denied = gate.RequireAdmin()) return denied;
    lab::AccountDatabase& db = lab::AccountsOf(gate.Target());
    const LocalUser* user = db.FindUser(username);
    if (!user) return NERR_UserNotFound;
    // The built-in accounts (Administrator, Guest, ...) can be renamed and
    // disabled, never deleted.
    if (user->rid < 1000) return ERROR_SPECIAL_ACCOUNT;
    return db.DeleteUser(username);
}

NET_API_STATUS WINAPI plat::NetUserGetLocalGroups(LPCWSTR servername, LPCWSTR username, DWORD level, DWORD flags,
                                                  LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread,
                                                  LPDWORD totalentries) {
    if (const DWORD bad = lab::StartNetAnswer(bufptr, entriesread, totalentries)) return bad;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetUserGetLocalGroups");
    if (gate.Error()) return gate.Error();
    if (level != 0) return ERROR_INVALID_LEVEL;
    if ((flags & ~LG_INCLUDE_INDIRECT) || !username) return ERROR_INVALID_PARAMETER;
    const lab::Network& net = gate.Net();
    const lab::AccountDatabase& db = lab::AccountsOf(gate.Target());

    // The user is the computer's own ("name", "COMPUTER\name") or another
    // domain's account ("LAB\name"); indirect membership comes through the
    // account's domain groups.
    std::wstring_view name = username;
    const size_t slash = name.find(L'\\');
    std::set<std::wstring> sids;
    if (slash == std::wstring_view::npos || lab::EqualsNoCase(name.substr(0, slash), db.domainName)) {
        const LocalUser* user = db.FindUser(slash == std::wstring_view::npos ? name : name.substr(slash + 1));
        if (!user) return NERR_UserNotFound;
        sids.insert(lab::accounts::SidText(db.UserSid(*user)));
    } else {
        const lab::Account* account = net.FindAccount(name);
        if (!account) return NERR_UserNotFound;
        sids.insert(lab::SidTextOf(net, gate.Target(), name));
        if (flags & LG_INCLUDE_INDIRECT) {
            for (const std::wstring& group : account->groups) sids.insert(lab::SidTextOf(net, gate.Target(), group));
        }
    }
    std::vector<const std::wstring*> names;
    for (const lab::LocalGroup& g : db.Groups()) {
        if (db.AnyIsMember(g.name, sids)) names.push_back(&g.name);
    }
    const size_t n = lab::FitCount(names.size(), 0, lab::NetCapacity(prefmaxlen), [&](size_t i) {
        return sizeof(LOCALGROUP_USERS_INFO_0) + Chars(*names[i]) * sizeof(wchar_t);
    });
    size_t chars = 0;
    for (size_t i = 0; i < n; ++i) chars += Chars(*names[i]);
    lab::RecordBuffer<LOCALGROUP_USERS_INFO_0> out(n, chars);
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    for (size_t i = 0; i < n; ++i) out[i].lgrui0_name = out.Put(*names[i]);
    *entriesread = static_cast<DWORD>(n);
    *totalentries = static_cast<DWORD>(names.size());
    *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, gate.Target().name, "NetUserGetLocalGroups"));
    return n < names.size() ? ERROR_MORE_DATA : NERR_Success;
}

// `count` generated users (user00000, ...) on a computer, for benchmarks:
// every seventh is disabled, every third has a full name and a description.
DWORD LabGenerateUsers(const wchar_t* computer, DWORD count, DWORD seed) {
    lab::LockedComputer c(computer, lab::Unnamed::None);
    if (!c) return ERROR_NOT_FOUND;
    lab::AccountDatabase& db = lab::AccountsOf(*c);
    DWORD x = seed ? seed : 0x9E3779B9u;
    for (DWORD i = 0; i < count; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        wchar_t name[24];
        std::swprintf(name, 24, L"user%05lu", static_cast<unsigned long>(i));
        LocalUser user{name};
        if (i % 7 == 3) user.flags |= UF_ACCOUNTDISABLE;
        if (i % 3 == 0) {
            user.fullName = L"Generated User " + std::to_wstring(x % 100000);
            user.comment = L"Account of department " + std::to_wstring(x % 40);
        }
        if (const DWORD rc = db.AddUser(std::move(user)); rc && rc != NERR_UserExists) return rc;
    }
    return 0;
}
