#include "lab/Sids.h"

#include "lab/Text.h"

#include <cstring>

namespace lab {

namespace {

struct WellKnown {
    const wchar_t* domain;
    const wchar_t* name;
    BYTE authority;
    DWORD sub[2];
    BYTE count;
};

// Principals whose identifiers do not depend on a domain.
constexpr WellKnown kWellKnown[] = {
    {L"BUILTIN", L"Administrators", 5, {32, 544}, 2},
    {L"BUILTIN", L"Users", 5, {32, 545}, 2},
    {L"BUILTIN", L"Guests", 5, {32, 546}, 2},
    {L"BUILTIN", L"Power Users", 5, {32, 547}, 2},
    {L"BUILTIN", L"Account Operators", 5, {32, 548}, 2},
    {L"BUILTIN", L"Server Operators", 5, {32, 549}, 2},
    {L"BUILTIN", L"Print Operators", 5, {32, 550}, 2},
    {L"BUILTIN", L"Backup Operators", 5, {32, 551}, 2},
    {L"BUILTIN", L"Replicator", 5, {32, 552}, 2},
    {L"BUILTIN", L"Remote Desktop Users", 5, {32, 555}, 2},
    {L"NT AUTHORITY", L"NETWORK", 5, {2}, 1},
    {L"NT AUTHORITY", L"BATCH", 5, {3}, 1},
    {L"NT AUTHORITY", L"INTERACTIVE", 5, {4}, 1},
    {L"NT AUTHORITY", L"SERVICE", 5, {6}, 1},
    {L"NT AUTHORITY", L"ANONYMOUS LOGON", 5, {7}, 1},
    {L"NT AUTHORITY", L"Authenticated Users", 5, {11}, 1},
    {L"NT AUTHORITY", L"SYSTEM", 5, {18}, 1},
    {L"NT AUTHORITY", L"LOCAL SERVICE", 5, {19}, 1},
    {L"NT AUTHORITY", L"NETWORK SERVICE", 5, {20}, 1},
    {L"", L"Everyone", 1, {0}, 1},
};

struct WellKnownRid {
    const wchar_t* name;
    DWORD rid;
};

constexpr WellKnownRid kWellKnownRids[] = {
    {L"Administrator", 500}, {L"Guest", 501},         {L"krbtgt", 502}, {L"DefaultAccount", 503},
    {L"Domain Admins", 512}, {L"Domain Users", 513},   {L"Domain Guests", 514},
    {L"Domain Computers", 515}, {L"Domain Controllers", 516},
};

// FNV-1a over the upper-cased UTF-16 units, with a seed per use.
DWORD Hash(std::wstring_view text, DWORD seed) {
    DWORD h = 2166136261u ^ seed;
    for (wchar_t c : Upper(text)) {
        h ^= static_cast<DWORD>(c);
        h *= 16777619u;
    }
    return h;
}

std::vector<BYTE> MakeSid(BYTE authority, const DWORD* sub, BYTE count) {
    std::vector<BYTE> sid(8 + 4 * count, 0);
    sid[0] = 1;  // revision
    sid[1] = count;
    sid[7] = authority;
    std::memcpy(sid.data() + 8, sub, 4 * count);
    return sid;
}

}  // namespace

std::vector<BYTE> DomainSid(std::wstring_view domainOrComputer) {
    const DWORD sub[4] = {21, Hash(domainOrComputer, 1), Hash(domainOrComputer, 2), Hash(domainOrComputer, 3)};
    return MakeSid(5, sub, 4);
}

DWORD AccountRid(std::wstring_view user) {
    for (const WellKnownRid& known : kWellKnownRids)
        if (EqualsNoCase(known.name, user)) return known.rid;
    // Account RIDs start at 1000 on Windows; the range is wide enough that
    // the names of even a generated network do not collide in practice.
    return 1000 + Hash(user, 4) % 0x3FFFF000u;
}

std::vector<BYTE> AccountSid(std::wstring_view account) {
    const size_t slash = account.find(L'\\');
    const std::wstring_view domain = slash == std::wstring_view::npos ? std::wstring_view() : account.substr(0, slash);
    const std::wstring_view name = slash == std::wstring_view::npos ? account : account.substr(slash + 1);
    for (const WellKnown& known : kWellKnown)
        if (EqualsNoCase(known.name, name) && (slash == std::wstring_view::npos || EqualsNoCase(known.domain, domain)))
            return MakeSid(known.authority, known.sub, known.count);
    if (slash == std::wstring_view::npos || domain.empty() || name.empty()) return {};
    std::vector<BYTE> sid = DomainSid(domain);
    const DWORD rid = AccountRid(name);
    sid[1] = 5;
    sid.resize(sid.size() + 4);
    std::memcpy(sid.data() + sid.size() - 4, &rid, 4);
    return sid;
}

}  // namespace lab

DWORD LabAccountSid(const wchar_t* account, BYTE* buffer, DWORD bytes) {
    if (!account) return 0;
    const std::vector<BYTE> sid = lab::AccountSid(account);
    if (sid.empty()) return 0;
    if (buffer && bytes >= sid.size()) std::memcpy(buffer, sid.data(), sid.size());
    return static_cast<DWORD>(sid.size());
}
