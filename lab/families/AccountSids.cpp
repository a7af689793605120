// Identifiers of the lab's accounts, groups, built-in aliases and well-known
// identities, and the scenario fields that fix the domain's and computers'
// identifiers.
#include "lab/families/Accounts.h"

#include "lab/AccountDatabase.h"
#include "lab/Sids.h"
#include "lab/Text.h"

#include <cstring>
#include <cwchar>

namespace lab::accounts {

SidBytes MakeSid(BYTE authority, const std::vector<DWORD>& subs) {
    SidBytes sid(8 + 4 * subs.size(), 0);
    sid[0] = SID_REVISION;
    sid[1] = static_cast<BYTE>(subs.size());
    sid[7] = authority;
    for (size_t i = 0; i < subs.size(); ++i) std::memcpy(&sid[8 + 4 * i], &subs[i], 4);
    return sid;
}

std::wstring SidText(const SidBytes& sid) {
    if (sid.size() < 8) return {};
    std::wstring text = L"S-" + std::to_wstring(sid[0]) + L"-" + std::to_wstring(sid[7]);
    for (size_t i = 0; i < sid[1] && 8 + 4 * i + 4 <= sid.size(); ++i) {
        DWORD sub = 0;
        std::memcpy(&sub, &sid[8 + 4 * i], 4);
        text += L"-" + std::to_wstring(sub);
    }
    return text;
}

namespace {

}  // namespace

SidBytes DomainSid(const Network& net) { return lab::DomainSid(net.domainName); }

SidBytes MachineSid(const Network& net, const Computer& computer) {
    if (computer.os.role == Role::DomainController) return DomainSid(net);
    return lab::DomainSid(computer.name);
}

std::wstring AccountDomainName(const Network& net, const Computer& computer) {
    return computer.os.role == Role::DomainController ? net.domainName : computer.name;
}

namespace {

void Add(std::vector<Principal>& out, std::wstring domain, std::wstring name, SID_NAME_USE use, SidBytes sid,
         std::vector<std::wstring> aliases = {}) {
    out.push_back(Principal{std::move(domain), std::move(name), use, std::move(sid), std::move(aliases)});
}

bool Has(const std::vector<Principal>& list, std::wstring_view domain, std::wstring_view name) {
    for (const Principal& p : list) {
        if (EqualsNoCase(p.domain, domain) && EqualsNoCase(p.name, name)) return true;
    }
    return false;
}

void AddWellKnown(std::vector<Principal>& out, const Computer& target) {
    static constexpr wchar_t kNt[] = L"NT AUTHORITY";
    Add(out, L"", L"Everyone", SidTypeWellKnownGroup, MakeSid(1, {0}));
    Add(out, L"", L"CREATOR OWNER", SidTypeWellKnownGroup, MakeSid(3, {0}));
    Add(out, kNt, L"NETWORK", SidTypeWellKnownGroup, MakeSid(5, {2}));
    Add(out, kNt, L"BATCH", SidTypeWellKnownGroup, MakeSid(5, {3}));
    Add(out, kNt, L"INTERACTIVE", SidTypeWellKnownGroup, MakeSid(5, {4}));
    Add(out, kNt, L"SERVICE", SidTypeWellKnownGroup, MakeSid(5, {6}));
    Add(out, kNt, L"ANONYMOUS LOGON", SidTypeWellKnownGroup, MakeSid(5, {7}));
    Add(out, kNt, L"Authenticated Users", SidTypeWellKnownGroup, MakeSid(5, {11}));
    Add(out, kNt, L"SYSTEM", SidTypeWellKnownGroup, MakeSid(5, {18}));
    Add(out, kNt, L"LOCAL SERVICE", SidTypeWellKnownGroup, MakeSid(5, {19}), {L"LocalService"});
    Add(out, kNt, L"NETWORK SERVICE", SidTypeWellKnownGroup, MakeSid(5, {20}), {L"NetworkService"});
    Add(out, L"BUILTIN", L"BUILTIN", SidTypeDomain, MakeSid(5, {32}));
    for (const LocalGroup& g : AccountsOf(target).Groups()) {
        if (g.builtin) Add(out, L"BUILTIN", g.name, SidTypeAlias, MakeSid(5, {32, g.rid}));
    }
}

// Well-known relative identifiers of a domain's and an account domain's
// built-in accounts and groups; other accounts are numbered in the order the
// scenario lists them.
void AddDomain(std::vector<Principal>& out, const Network& net) {
    const std::wstring& d = net.domainName;
    auto sid = [&](std::wstring_view name) { return lab::AccountSid(d + L"\\" + std::wstring(name)); };
    Add(out, d, d, SidTypeDomain, DomainSid(net));
    for (const wchar_t* name : {L"Administrator", L"Guest", L"krbtgt"}) Add(out, d, name, SidTypeUser, sid(name));
    for (const wchar_t* name : {L"Domain Admins", L"Domain Users", L"Domain Guests", L"Domain Computers",
                                L"Domain Controllers"})
        Add(out, d, name, SidTypeGroup, sid(name));
    for (const Account& a : net.accounts) {
        if (!EqualsNoCase(a.Domain(), d)) continue;
        if (!Has(out, d, a.User())) Add(out, d, std::wstring(a.User()), SidTypeUser, sid(a.User()));
        for (const std::wstring& g : a.groups) {
            const size_t slash = g.find(L'\\');
            if (slash == std::wstring::npos || !EqualsNoCase(std::wstring_view(g).substr(0, slash), d)) continue;
            const std::wstring name = g.substr(slash + 1);
            if (!Has(out, d, name)) Add(out, d, name, SidTypeGroup, sid(name));
        }
    }
    for (const auto& c : net.computers) Add(out, d, c->name + L"$", SidTypeUser, sid(c->name + L"$"));
}

// The computer's own users and groups, from its account database.
void AddLocal(std::vector<Principal>& out, const Network& net, const Computer& target) {
    const AccountDatabase& db = AccountsOf(target);
    const std::wstring& c = target.name;
    Add(out, c, c, SidTypeDomain, MachineSid(net, target));
    for (const LocalUser& u : db.Users()) Add(out, c, u.name, SidTypeUser, db.UserSid(u));
    for (const LocalGroup& g : db.Groups()) {
        if (!g.builtin) Add(out, c, g.name, SidTypeAlias, db.GroupSid(g));
    }
}

}  // namespace

std::vector<Principal> Visible(const Network& net, const Computer& target) {
    std::vector<Principal> out;
    AddWellKnown(out, target);
    if (target.os.role != Role::DomainController) AddLocal(out, net, target);
    AddDomain(out, net);
    return out;
}

}  // namespace lab::accounts
