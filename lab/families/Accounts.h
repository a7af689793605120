#pragma once
// Security identifiers of the lab: the domain's accounts and groups (domain
// identifier + relative identifier), each computer's local accounts (its
// machine identifier + relative identifier), all as lab/Sids.h makes them so
// that every family agrees, the built-in aliases
// (S-1-5-32-...) and the well-known identities. Name and identifier lookups
// on a computer see what Windows would: the well-known and built-in names, the
// computer's own account domain and the domain it belongs to.
#include "lab/Model.h"

#include <string>
#include <string_view>
#include <vector>

namespace lab::accounts {

using SidBytes = std::vector<BYTE>;

struct Principal {
    std::wstring domain;  // referenced domain: "LAB", "ADMIN01", "BUILTIN", "NT AUTHORITY" or ""
    std::wstring name;
    SID_NAME_USE use = SidTypeUnknown;
    SidBytes sid;
    std::vector<std::wstring> aliases;  // other names it answers to ("NetworkService")
};

SidBytes MakeSid(BYTE authority, const std::vector<DWORD>& subAuthorities);
std::wstring SidText(const SidBytes& sid);
// The domain's identifier and a computer's machine identifier (domain
// controllers use the domain's), as lab/Sids.h derives them.
SidBytes DomainSid(const Network& net);
SidBytes MachineSid(const Network& net, const Computer& computer);
// The account domain of a computer: its own name and machine identifier, or
// the domain's on a domain controller.
std::wstring AccountDomainName(const Network& net, const Computer& computer);

// Everything a lookup on `target` can resolve, in the order Windows searches
// a bare name: well-known, built-in, the computer's account domain, the domain.
std::vector<Principal> Visible(const Network& net, const Computer& target);

}  // namespace lab::accounts
