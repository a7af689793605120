#pragma once
// The security identifiers of the lab's accounts. Every family that hands out
// or resolves identifiers (account lookups and LSA, the object picker, group
// members) derives them here, so that they agree:
//
// - BUILTIN\<group> and the well-known principals (NT AUTHORITY\SYSTEM,
//   LOCAL SERVICE, NETWORK SERVICE, Everyone, ...) have their fixed Windows
//   identifiers (S-1-5-32-544, S-1-5-18, S-1-1-0, ...);
// - any other DOMAIN\name is the account domain's identifier
//   S-1-5-21-a-b-c, a, b and c taken from a hash of the upper-cased domain
//   (or computer) name, followed by the account's relative identifier: the
//   well-known ones (Administrator 500, Guest 501, krbtgt 502, DefaultAccount
//   503, Domain Admins
//   512, Domain Users 513, Domain Guests 514, Domain Computers 515, Domain
//   Controllers 516), otherwise 1000 plus a hash of the upper-cased name.
//
// Names compare without case; the same name gives the same identifier in
// every scenario.
#include "lab/LabControl.h"

#include <string>
#include <string_view>
#include <vector>

extern "C" {
// The binary identifier of "DOMAIN\name" into buffer[bytes]; returns the bytes
// needed (nothing written when it does not fit), 0 for a name without a
// backslash.
LAB_API DWORD LabAccountSid(const wchar_t* account, BYTE* buffer, DWORD bytes);
}

namespace lab {

#if defined(LAB_BUILDING)
// The account domain identifier of a domain or computer (S-1-5-21-a-b-c).
std::vector<BYTE> DomainSid(std::wstring_view domainOrComputer);
// The relative identifier of `user` in its account domain.
DWORD AccountRid(std::wstring_view user);
// The identifier of "DOMAIN\name"; empty without a backslash.
std::vector<BYTE> AccountSid(std::wstring_view account);
#else
inline std::vector<BYTE> AccountSid(std::wstring_view account) {
    const std::wstring name(account);
    std::vector<BYTE> sid(LabAccountSid(name.c_str(), nullptr, 0));
    if (!sid.empty()) LabAccountSid(name.c_str(), sid.data(), static_cast<DWORD>(sid.size()));
    return sid;
}
#endif

}  // namespace lab
