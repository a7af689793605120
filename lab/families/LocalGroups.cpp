// Network management: the local groups of each computer's account database
// and their members (NetLocalGroupEnum, Add, Del, GetInfo, SetInfo,
// GetMembers, AddMembers, DelMembers).
//
// Reading groups and members is open to every identity that reaches the
// computer; changes need an administrator of it. Members are kept by
// identifier; names come from what a lookup on the computer resolves.
#include "platform/NetManagement.h"

#include "lab/AccountDatabase.h"
#include "lab/Gate.h"
#include "lab/Memory.h"
#include "lab/Protocol.h"
#include "lab/Schema.h"
#include "lab/Sections.h"
#include "lab/Text.h"
#include "lab/families/Accounts.h"

#include <cstring>
#include <cwchar>
#include <limits>
#include <optional>
#include <vector>

namespace {

using lab::Chars;
using lab::LocalGroup;
using lab::accounts::Principal;

// Entries per NetLocalGroupEnum / NetLocalGroupGetMembers answer at most
// (the scenario's `groupBatch`; 0: as many as prefmaxlen allows), so that
// callers meet several batches with short lists too.
struct GroupBatch {
    DWORD entries = 0;
};

void ParseGroupBatch(const lab::json::Value* value, const std::string& path, lab::Computer& computer,
                     lab::Diagnostics& diag) {
    if (value) lab::ReadNumber(*value, path, diag, 0, 0xFFFFFFFF, computer.Section<GroupBatch>().entries);
}

const lab::SectionRegistration groupBatchSection{lab::ComputerSectionHandler{"groupBatch", &ParseGroupBatch, nullptr}};

size_t BatchCap(const lab::Computer& computer) {
    const GroupBatch* batch = computer.FindSection<GroupBatch>();
    return batch && batch->entries ? batch->entries : std::numeric_limits<size_t>::max();
}

// The database answers ERROR_NO_SUCH_ALIAS for an unknown group; the net
// functions say NERR_GroupNotFound.
DWORD AsNetError(DWORD error) { return error == ERROR_NO_SUCH_ALIAS ? NERR_GroupNotFound : error; }

DWORD CheckName(const wchar_t* name, LPDWORD parm_err) {
    return lab::CheckAccountName(name, lab::kMaxGroupNameChars, parm_err, LOCALGROUP_NAME_PARMNUM);
}

DWORD CheckComment(const wchar_t* comment, LPDWORD parm_err) {
    return lab::CheckAccountText(comment, parm_err, LOCALGROUP_COMMENT_PARMNUM);
}

// --- Members ------------------------------------------------------------------

// A member as the computer resolves it; an identifier nobody knows any more
// (a deleted domain account) keeps its text as its name.
struct Member {
    lab::SidBytes sid;
    SID_NAME_USE use = SidTypeUnknown;
    std::wstring name;            // the account's own name
    std::wstring domainAndName;   // DOMAIN\name, or the name alone without a domain
};

lab::SidBytes SidFromText(const std::wstring& text) {
    // "S-1-a-s1-s2-..." with a small authority, as the database keeps them.
    std::vector<DWORD> subs;
    unsigned authority = 0;
    const wchar_t* p = text.c_str();
    if (std::wcsncmp(p, L"S-1-", 4) != 0) return {};
    p += 4;
    wchar_t* end = nullptr;
    authority = static_cast<unsigned>(std::wcstoul(p, &end, 10));
    for (p = end; *p == L'-'; p = end) subs.push_back(static_cast<DWORD>(std::wcstoul(p + 1, &end, 10)));
    return lab::accounts::MakeSid(static_cast<BYTE>(authority), subs);
}

Member Resolve(const std::vector<Principal>& visible, const std::wstring& sidText) {
    Member m;
    m.sid = SidFromText(sidText);
    for (const Principal& p : visible) {
        if (p.sid != m.sid) continue;
        m.use = p.use;
        m.name = p.name;
        m.domainAndName = p.domain.empty() ? p.name : p.domain + L"\\" + p.name;
        return m;
    }
    m.name = m.domainAndName = sidText;
    return m;
}

const Principal* FindByName(const std::vector<Principal>& visible, std::wstring_view name) {
    const size_t slash = name.find(L'\\');
    const std::wstring_view domain = slash == std::wstring_view::npos ? std::wstring_view() : name.substr(0, slash);
    const std::wstring_view account = slash == std::wstring_view::npos ? name : name.substr(slash + 1);
    for (const Principal& p : visible) {
        if (slash != std::wstring_view::npos && !lab::EqualsNoCase(p.domain, domain)) continue;
        if (lab::EqualsNoCase(p.name, account)) return &p;
        for (const std::wstring& alias : p.aliases) {
            if (lab::EqualsNoCase(alias, account)) return &p;
        }
    }
    return nullptr;
}

// The identifiers a change names (level 0: identifiers, level 3: names), in
// the caller's order. A new member must be an account the computer knows and
// may put into a local group (local groups do not nest); an identifier that
// no longer resolves can still be removed.
DWORD MembersOf(const std::vector<Principal>& visible, DWORD level, LPBYTE buf, DWORD count, bool adding,
                std::vector<std::wstring>& out) {
    for (DWORD i = 0; i < count; ++i) {
        const Principal* found = nullptr;
        if (level == 0) {
            const PSID sid = reinterpret_cast<LOCALGROUP_MEMBERS_INFO_0*>(buf)[i].lgrmi0_sid;
            if (!sid || !::IsValidSid(sid)) return ERROR_INVALID_PARAMETER;
            const BYTE* bytes = static_cast<const BYTE*>(sid);
            const lab::SidBytes wanted(bytes, bytes + ::GetLengthSid(sid));
            for (const Principal& p : visible) {
                if (p.sid == wanted) found = &p;
            }
            if (!found && !adding) {
                out.push_back(lab::accounts::SidText(wanted));
                continue;
            }
        } else {
            const wchar_t* name = reinterpret_cast<LOCALGROUP_MEMBERS_INFO_3*>(buf)[i].lgrmi3_domainandname;
            if (!name) return ERROR_INVALID_PARAMETER;
            found = FindByName(visible, name);
        }
        if (!found) return ERROR_NO_SUCH_MEMBER;
        if (adding && (found->use == SidTypeAlias || found->use == SidTypeDomain)) return ERROR_INVALID_MEMBER;
        out.push_back(lab::accounts::SidText(found->sid));
    }
    return 0;
}

template <typename Change>
NET_API_STATUS ChangeMembers(const wchar_t* servername, const wchar_t* groupname, DWORD level, LPBYTE buf,
                             DWORD totalentries, const char* function, bool adding, Change change) {
    lab::Gate gate(servername, lab::Family::NetManagement, function);
    if (gate.Error()) return gate.Error();
    if (level != 0 && level != 3) return ERROR_INVALID_LEVEL;
    if (!groupname || (!buf && totalentries)) return ERROR_INVALID_PARAMETER;
    if (const DWORD denied = gate.RequireAdmin()) return denied;
    lab::AccountDatabase& db = lab::AccountsOf(gate.Target());
    if (!db.FindGroup(groupname)) return NERR_GroupNotFound;
    std::vector<std::wstring> sids;
    if (const DWORD bad = MembersOf(lab::accounts::Visible(gate.Net(), gate.Target()), level, buf, totalentries, adding, sids))
        return bad;
    // One by one: a failure leaves the members changed before it changed.
    for (const std::wstring& sid : sids) {
        if (const DWORD rc = change(db, groupname, sid)) return AsNetError(rc);
    }
    return NERR_Success;
}

size_t MemberRecordSize(DWORD level) {
    switch (level) {
        case 0: return sizeof(LOCALGROUP_MEMBERS_INFO_0);
        case 1: return sizeof(LOCALGROUP_MEMBERS_INFO_1);
        case 2: return sizeof(LOCALGROUP_MEMBERS_INFO_2);
        case 3: return sizeof(LOCALGROUP_MEMBERS_INFO_3);
        default: return 0;
    }
}

size_t MemberChars(const Member& m, DWORD level) {
    const size_t sidChars = level == 3 ? 0 : m.sid.size() / sizeof(wchar_t);
    switch (level) {
        case 0: return sidChars;
        case 1: return sidChars + Chars(m.name);
        default: return sidChars + Chars(m.domainAndName);
    }
}

// The members [first, first + n) as records of T: identifiers first, so
// that they keep the alignment of the records, then what `fill` writes.
template <typename T, typename Fill>
NET_API_STATUS HandMemberRecords(const std::vector<Member>& members, size_t first, size_t n, DWORD level,
                                 const std::wstring& computer, LPBYTE* bufptr, Fill fill) {
    size_t chars = 0;
    for (size_t i = 0; i < n; ++i) chars += MemberChars(members[first + i], level);
    lab::RecordBuffer<T> out(n, chars);
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    std::vector<PSID> sids(n);
    if (level != 3) {
        for (size_t i = 0; i < n; ++i) sids[i] = out.PutBytes(members[first + i].sid.data(), members[first + i].sid.size());
    }
    for (size_t i = 0; i < n; ++i) fill(out, out[i], members[first + i], sids[i]);
    *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, computer, "NetLocalGroupGetMembers"));
    return NERR_Success;
}

NET_API_STATUS HandMembers(const std::vector<Member>& members, size_t first, size_t n, DWORD level,
                           const std::wstring& computer, LPBYTE* bufptr) {
    switch (level) {
        case 0:
            return HandMemberRecords<LOCALGROUP_MEMBERS_INFO_0>(
                members, first, n, level, computer, bufptr,
                [](auto&, auto& r, const Member&, PSID sid) { r.lgrmi0_sid = sid; });
        case 1:
            return HandMemberRecords<LOCALGROUP_MEMBERS_INFO_1>(
                members, first, n, level, computer, bufptr, [](auto& out, auto& r, const Member& m, PSID sid) {
                    r.lgrmi1_sid = sid;
                    r.lgrmi1_sidusage = m.use;
                    r.lgrmi1_name = out.Put(m.name);
                });
        case 2:
            return HandMemberRecords<LOCALGROUP_MEMBERS_INFO_2>(
                members, first, n, level, computer, bufptr, [](auto& out, auto& r, const Member& m, PSID sid) {
                    r.lgrmi2_sid = sid;
                    r.lgrmi2_sidusage = m.use;
                    r.lgrmi2_domainandname = out.Put(m.domainAndName);
                });
        default:
            return HandMemberRecords<LOCALGROUP_MEMBERS_INFO_3>(
                members, first, n, level, computer, bufptr,
                [](auto& out, auto& r, const Member& m, PSID) { r.lgrmi3_domainandname = out.Put(m.domainAndName); });
    }
}

}  // namespace

NET_API_STATUS WINAPI plat::NetLocalGroupEnum(LPCWSTR servername, DWORD level, LPBYTE* bufptr, DWORD prefmaxlen,
                                              LPDWORD entriesread, LPDWORD totalentries, PDWORD_PTR resumehandle) {
    if (const DWORD bad = lab::StartNetAnswer(bufptr, entriesread, totalentries)) return bad;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetLocalGroupEnum");
    if (gate.Error()) return gate.Error();
    if (level != 0 && level != 1) return ERROR_INVALID_LEVEL;
    const std::vector<LocalGroup>& groups = lab::AccountsOf(gate.Target()).Groups();
    auto chars = [&](size_t i) { return Chars(groups[i].name) + (level == 1 ? Chars(groups[i].comment) : 0); };
    const size_t recordSize = level == 0 ? sizeof(LOCALGROUP_INFO_0) : sizeof(LOCALGROUP_INFO_1);
    const lab::NetBatch batch = lab::NetBatchAt(
        groups.size(), resumehandle, prefmaxlen, [&](size_t i) { return recordSize + chars(i) * sizeof(wchar_t); },
        BatchCap(gate.Target()));
    if (!batch.n) return lab::FinishNetBatch(batch, groups.size(), entriesread, totalentries, resumehandle);
    const size_t first = batch.first, n = batch.n;
    size_t total = 0;
    for (size_t i = 0; i < n; ++i) total += chars(first + i);
    const std::wstring& computer = gate.Target().name;
    if (level == 0) {
        lab::RecordBuffer<LOCALGROUP_INFO_0> out(n, total);
        if (!out) return ERROR_NOT_ENOUGH_MEMORY;
        for (size_t i = 0; i < n; ++i) out[i].lgrpi0_name = out.Put(groups[first + i].name);
        *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, computer, "NetLocalGroupEnum"));
    } else {
        lab::RecordBuffer<LOCALGROUP_INFO_1> out(n, total);
        if (!out) return ERROR_NOT_ENOUGH_MEMORY;
        for (size_t i = 0; i < n; ++i) {
            out[i].lgrpi1_name = out.Put(groups[first + i].name);
            out[i].lgrpi1_comment = out.Put(groups[first + i].comment);
        }
        *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, computer, "NetLocalGroupEnum"));
    }
    return lab::FinishNetBatch(batch, groups.size(), entriesread, totalentries, resumehandle);
}

NET_API_STATUS WINAPI plat::NetLocalGroupAdd(LPCWSTR servername, DWORD level, LPBYTE buf, LPDWORD parm_err) {
    lab::Gate gate(servername, lab::Family::NetManagement, "NetLocalGroupAdd");
    if (gate.Error()) return gate.Error();
    if (level != 0 && level != 1) return ERROR_INVALID_LEVEL;
    if (!buf) return ERROR_INVALID_PARAMETER;
    if (const DWORD denied = gate.RequireAdmin()) return denied;
    // Level 1 begins with the name of level 0.
    const wchar_t* name = reinterpret_cast<LOCALGROUP_INFO_0*>(buf)->lgrpi0_name;
    const wchar_t* comment = level == 1 ? reinterpret_cast<LOCALGROUP_INFO_1*>(buf)->lgrpi1_comment : nullptr;
    if (const DWORD bad = CheckName(name, parm_err)) return bad;
    if (const DWORD bad = CheckComment(comment, parm_err)) return bad;
    return lab::AccountsOf(gate.Target()).AddGroup(LocalGroup{name, 0, false, comment ? comment : L"", {}});
}

NET_API_STATUS WINAPI plat::NetLocalGroupDel(LPCWSTR servername, LPCWSTR groupname) {
    lab::Gate gate(servername, lab::Family::NetManagement, "NetLocalGroupDel");
    if (gate.Error()) return gate.Error();
    if (!groupname) return ERROR_INVALID_PARAMETER;
    if (const DWORD denied = gate.RequireAdmin()) return denied;
    lab::AccountDatabase& db = lab::AccountsOf(gate.Target());
    const LocalGroup* group = db.FindGroup(groupname);
    if (!group) return NERR_GroupNotFound;
    if (group->builtin) return ERROR_SPECIAL_ACCOUNT;
    return AsNetError(db.DeleteGroup(groupname));
}

NET_API_STATUS WINAPI plat::NetLocalGroupGetInfo(LPCWSTR servername, LPCWSTR groupname, DWORD level, LPBYTE* bufptr) {
    if (!bufptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetLocalGroupGetInfo");
    if (gate.Error()) return gate.Error();
    if (level != 1) return ERROR_INVALID_LEVEL;
    if (!groupname) return ERROR_INVALID_PARAMETER;
    const LocalGroup* group = lab::AccountsOf(gate.Target()).FindGroup(groupname);
    if (!group) return NERR_GroupNotFound;
    lab::RecordBuffer<LOCALGROUP_INFO_1> out(1, Chars(group->name) + Chars(group->comment));
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    out[0].lgrpi1_name = out.Put(group->name);
    out[0].lgrpi1_comment = out.Put(group->comment);
    *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, gate.Target().name, "NetLocalGroupGetInfo"));
    return NERR_Success;
}

NET_API_STATUS WINAPI plat::NetLocalGroupSetInfo(LPCWSTR servername, LPCWSTR groupname, DWORD level, LPBYTE buf,
                                                 LPDWORD parm_err) {
    lab::Gate gate(servername, lab::Family::NetManagement, "NetLocalGroupSetInfo");
    if (gate.Error()) return gate.Error();
    if (level != 0 && level != 1 && level != 1002) return ERROR_INVALID_LEVEL;
    if (!buf || !groupname) return ERROR_INVALID_PARAMETER;
    if (const DWORD denied = gate.RequireAdmin()) return denied;
    lab::AccountDatabase& db = lab::AccountsOf(gate.Target());
    LocalGroup* group = db.FindGroup(groupname);
    if (!group) return NERR_GroupNotFound;
    if (level == 0) {
        const wchar_t* name = reinterpret_cast<LOCALGROUP_INFO_0*>(buf)->lgrpi0_name;
        if (const DWORD bad = CheckName(name, parm_err)) return bad;
        return AsNetError(db.RenameGroup(groupname, name));
    }
    // Level 1 changes the comment only (its name is not a rename).
    const wchar_t* comment = level == 1 ? reinterpret_cast<LOCALGROUP_INFO_1*>(buf)->lgrpi1_comment
                                        : reinterpret_cast<LOCALGROUP_INFO_1002*>(buf)->lgrpi1002_comment;
    if (const DWORD bad = CheckComment(comment, parm_err)) return bad;
    group->comment = comment ? comment : L"";
    return NERR_Success;
}

NET_API_STATUS WINAPI plat::NetLocalGroupGetMembers(LPCWSTR servername, LPCWSTR localgroupname, DWORD level,
                                                    LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread,
                                                    LPDWORD totalentries, PDWORD_PTR resumehandle) {
    if (const DWORD bad = lab::StartNetAnswer(bufptr, entriesread, totalentries)) return bad;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetLocalGroupGetMembers");
    if (gate.Error()) return gate.Error();
    if (!MemberRecordSize(level)) return ERROR_INVALID_LEVEL;
    if (!localgroupname) return ERROR_INVALID_PARAMETER;
    const LocalGroup* group = lab::AccountsOf(gate.Target()).FindGroup(localgroupname);
    if (!group) return NERR_GroupNotFound;
    const std::vector<Principal> visible = lab::accounts::Visible(gate.Net(), gate.Target());
    std::vector<Member> members;
    for (const std::wstring& sid : group->members) members.push_back(Resolve(visible, sid));
    const lab::NetBatch batch = lab::NetBatchAt(members.size(), resumehandle, prefmaxlen, [&](size_t i) {
        return MemberRecordSize(level) + MemberChars(members[i], level) * sizeof(wchar_t);
    }, BatchCap(gate.Target()));
    if (!batch.n) return lab::FinishNetBatch(batch, members.size(), entriesread, totalentries, resumehandle);
    if (const NET_API_STATUS rc = HandMembers(members, batch.first, batch.n, level, gate.Target().name, bufptr))
        return rc;
    return lab::FinishNetBatch(batch, members.size(), entriesread, totalentries, resumehandle);
}

NET_API_STATUS WINAPI plat::NetLocalGroupAddMembers(LPCWSTR servername, LPCWSTR groupname, DWORD level, LPBYTE buf,
                                                    DWORD totalentries) {
    return ChangeMembers(servername, groupname, level, buf, totalentries, "NetLocalGroupAddMembers", true,
                         [](lab::AccountDatabase& db, const wchar_t* group, const std::wstring& sid) {
                             return db.AddMember(group, sid);
                         });
}

NET_API_STATUS WINAPI plat::NetLocalGroupDelMembers(LPCWSTR servername, LPCWSTR groupname, DWORD level, LPBYTE buf,
                                                    DWORD totalentries) {
    return ChangeMembers(servername, groupname, level, buf, totalentries, "NetLocalGroupDelMembers", false,
                         [](lab::AccountDatabase& db, const wchar_t* group, const std::wstring& sid) {
                             return db.RemoveMember(group, sid);
                         });
}
