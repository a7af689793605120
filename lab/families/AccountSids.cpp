// Identifiers of the lab's accounts, groups, built-in aliases and well-known
// identities, and the scenario fields that fix the domain's and computers'
// identifiers.
#include "lab/families/Accounts.h"

#include "lab/Sections.h"
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

bool ParseSid(std::wstring_view text, SidBytes& out) {
    if (text.size() < 4 || (text[0] != L'S' && text[0] != L's') || text[1] != L'-') return false;
    std::vector<unsigned long long> parts;
    size_t i = 2;
    while (i <= text.size()) {
        size_t j = i;
        unsigned long long v = 0;
        while (j < text.size() && text[j] >= L'0' && text[j] <= L'9' && v <= 0xFFFFFFFFull) v = v * 10 + (text[j++] - L'0');
        if (j == i || v > 0xFFFFFFFFull) return false;
        parts.push_back(v);
        if (j == text.size()) break;
        if (text[j] != L'-') return false;
        i = j + 1;
    }
    if (parts.size() < 2 || parts[0] != 1 || parts[1] > 255 || parts.size() - 2 > 15) return false;
    std::vector<DWORD> subs(parts.begin() + 2, parts.end());
    out = MakeSid(static_cast<BYTE>(parts[1]), subs);
    return true;
}

namespace {

std::vector<DWORD> DerivedSubs(std::wstring_view seed) {
    DWORD h = 2166136261u;
    std::vector<DWORD> subs{21};
    for (int round = 0; round < 3; ++round) {
        for (wchar_t c : seed) h = (h ^ static_cast<DWORD>(towupper(c))) * 16777619u;
        h = (h ^ static_cast<DWORD>(round + 1)) * 16777619u;
        subs.push_back(h % 4000000000u + 100000000u);
    }
    return subs;
}

SidBytes WithRid(SidBytes sid, DWORD rid) {
    sid[1] = static_cast<BYTE>(sid[1] + 1);
    const size_t at = sid.size();
    sid.resize(at + 4);
    std::memcpy(&sid[at], &rid, 4);
    return sid;
}

struct NetworkSid {
    SidBytes sid;
};

}  // namespace

SidBytes DomainSid(const Network& net) {
    if (const NetworkSid* given = net.FindSection<NetworkSid>(); given && !given->sid.empty()) return given->sid;
    return MakeSid(5, DerivedSubs(L"domain:" + net.domainName));
}

SidBytes MachineSid(const Network& net, const Computer& computer) {
    if (computer.os.role == Role::DomainController) return DomainSid(net);
    if (const ExplicitSid* given = computer.FindSection<ExplicitSid>(); given && !given->sid.empty()) return given->sid;
    return MakeSid(5, DerivedSubs(L"computer:" + computer.name));
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
    Add(out, kNt, L"INTERACTIVE", SidTypeWellKnownGroup, MakeSid(5, {4}));
    Add(out, kNt, L"SERVICE", SidTypeWellKnownGroup, MakeSid(5, {6}));
    Add(out, kNt, L"ANONYMOUS LOGON", SidTypeWellKnownGroup, MakeSid(5, {7}));
    Add(out, kNt, L"Authenticated Users", SidTypeWellKnownGroup, MakeSid(5, {11}));
    Add(out, kNt, L"SYSTEM", SidTypeWellKnownGroup, MakeSid(5, {18}));
    Add(out, kNt, L"LOCAL SERVICE", SidTypeWellKnownGroup, MakeSid(5, {19}), {L"LocalService"});
    Add(out, kNt, L"NETWORK SERVICE", SidTypeWellKnownGroup, MakeSid(5, {20}), {L"NetworkService"});
    Add(out, L"BUILTIN", L"BUILTIN", SidTypeDomain, MakeSid(5, {32}));
    struct Alias {
        DWORD rid;
        const wchar_t* name;
        bool dcOnly;
    };
    static constexpr Alias kAliases[] = {
        {544, L"Administrators", false},       {545, L"Users", false},
        {546, L"Guests", false},               {547, L"Power Users", false},
        {548, L"Account Operators", true},     {549, L"Server Operators", true},
        {550, L"Print Operators", false},      {551, L"Backup Operators", false},
        {552, L"Replicator", false},           {555, L"Remote Desktop Users", false},
        {556, L"Network Configuration Operators", false}, {558, L"Performance Monitor Users", false},
        {559, L"Performance Log Users", false}, {562, L"Distributed COM Users", false},
        {573, L"Event Log Readers", false},
    };
    const bool dc = target.os.role == Role::DomainController;
    for (const Alias& a : kAliases) {
        if (a.dcOnly && !dc) continue;
        Add(out, L"BUILTIN", a.name, SidTypeAlias, MakeSid(5, {32, a.rid}));
    }
}

// Well-known relative identifiers of a domain's and an account domain's
// built-in accounts and groups; other accounts are numbered in the order the
// scenario lists them.
void AddDomain(std::vector<Principal>& out, const Network& net) {
    const SidBytes domain = DomainSid(net);
    const std::wstring& d = net.domainName;
    Add(out, d, d, SidTypeDomain, domain);
    Add(out, d, L"Administrator", SidTypeUser, WithRid(domain, 500));
    Add(out, d, L"Guest", SidTypeUser, WithRid(domain, 501));
    Add(out, d, L"krbtgt", SidTypeUser, WithRid(domain, 502));
    static constexpr std::pair<DWORD, const wchar_t*> kGroups[] = {
        {512, L"Domain Admins"}, {513, L"Domain Users"}, {514, L"Domain Guests"},
        {515, L"Domain Computers"}, {516, L"Domain Controllers"}, {519, L"Enterprise Admins"}};
    for (const auto& [rid, name] : kGroups) Add(out, d, name, SidTypeGroup, WithRid(domain, rid));
    DWORD nextUser = 1103;
    DWORD nextGroup = 1200;
    for (const Account& a : net.accounts) {
        if (!EqualsNoCase(a.Domain(), d)) continue;
        if (!Has(out, d, a.User())) Add(out, d, std::wstring(a.User()), SidTypeUser, WithRid(domain, nextUser++));
        for (const std::wstring& g : a.groups) {
            const size_t slash = g.find(L'\\');
            if (slash == std::wstring::npos || !EqualsNoCase(std::wstring_view(g).substr(0, slash), d)) continue;
            const std::wstring name = g.substr(slash + 1);
            if (!Has(out, d, name)) Add(out, d, name, SidTypeGroup, WithRid(domain, nextGroup++));
        }
    }
    for (size_t i = 0; i < net.computers.size(); ++i) {
        Add(out, d, net.computers[i]->name + L"$", SidTypeUser, WithRid(domain, 1000 + static_cast<DWORD>(i)));
    }
}

void AddLocal(std::vector<Principal>& out, const Network& net, const Computer& target) {
    const SidBytes machine = MachineSid(net, target);
    const std::wstring& c = target.name;
    Add(out, c, c, SidTypeDomain, machine);
    Add(out, c, L"Administrator", SidTypeUser, WithRid(machine, 500));
    Add(out, c, L"Guest", SidTypeUser, WithRid(machine, 501));
    if (target.os.major >= 10) Add(out, c, L"DefaultAccount", SidTypeUser, WithRid(machine, 503));
    DWORD next = 1001;
    for (const Account& a : net.accounts) {
        if (EqualsNoCase(a.Domain(), c) && !Has(out, c, a.User()))
            Add(out, c, std::wstring(a.User()), SidTypeUser, WithRid(machine, next++));
    }
}

void ParseDomainSid(const json::Value* value, const std::string& path, Network& net, Diagnostics& diag) {
    if (!value || !ExpectType(*value, json::Type::String, path, diag)) return;
    SidBytes sid;
    if (!ParseSid(Widen(value->text), sid) || sid[7] != 5 || sid[1] < 1) {
        diag.Fail(value->line, path, "expected a domain identifier like \"S-1-5-21-1-2-3\"");
        return;
    }
    net.Section<NetworkSid>().sid = std::move(sid);
}

void ParseMachineSid(const json::Value* value, const std::string& path, Computer& computer, Diagnostics& diag) {
    if (!value || !ExpectType(*value, json::Type::String, path, diag)) return;
    SidBytes sid;
    if (!ParseSid(Widen(value->text), sid) || sid[7] != 5 || sid[1] < 1) {
        diag.Fail(value->line, path, "expected a machine identifier like \"S-1-5-21-1-2-3\"");
        return;
    }
    computer.Section<ExplicitSid>().sid = std::move(sid);
}

const SectionRegistration kDomainSid{NetworkSectionHandler{"domainSid", &ParseDomainSid, nullptr}};
const SectionRegistration kMachineSid{ComputerSectionHandler{"machineSid", &ParseMachineSid, nullptr}};

}  // namespace

std::vector<Principal> Visible(const Network& net, const Computer& target) {
    std::vector<Principal> out;
    AddWellKnown(out, target);
    if (target.os.role != Role::DomainController) AddLocal(out, net, target);
    AddDomain(out, net);
    return out;
}

}  // namespace lab::accounts
