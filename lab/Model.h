#pragma once
// The simulated network: a domain, its accounts and its computers. Core facts
// are plain fields; each family keeps its own state (services, sessions,
// registry hives, ...) in a section, a per-computer or per-network object of a
// type the family defines, so that adding a family does not touch this file.
#include "platform/PlatApi.h"  // windows.h, in the order the seam needs

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lab {

// Per-type storage of family state. Section<T>() creates the T on first use.
class Sections {
public:
    Sections() = default;
    Sections(const Sections&) = delete;
    Sections& operator=(const Sections&) = delete;

    template <typename T>
    T& Section() {
        std::shared_ptr<void>& slot = slots_[&Key<T>];
        if (!slot) slot = std::make_shared<T>();
        return *static_cast<T*>(slot.get());
    }
    template <typename T>
    T* FindSection() const {
        const auto it = slots_.find(&Key<T>);
        return it == slots_.end() ? nullptr : static_cast<T*>(it->second.get());
    }

private:
    template <typename T>
    static inline const char Key = 0;  // its address identifies T
    std::unordered_map<const void*, std::shared_ptr<void>> slots_;
};

enum class Role { Workstation, Server, DomainController };

// SV_TYPE_* bits a computer of the role announces.
DWORD ServerTypeFor(Role role);

struct OsFacts {
    DWORD major = 10;
    DWORD minor = 0;
    DWORD build = 19045;
    std::wstring product = L"Windows 10 Enterprise";
    DWORD platformId = 500;  // PLATFORM_ID_NT
    Role role = Role::Workstation;
    DWORD serverType = ServerTypeFor(Role::Workstation);
};

struct Account {
    std::wstring name;  // "DOMAIN\user"
    std::wstring password;
    std::wstring upn;   // "user@dns.domain", may be empty
    std::vector<std::wstring> groups;  // "DOMAIN\group"; administrators may name these

    std::wstring_view Domain() const;
    std::wstring_view User() const;
};

class Computer : public Sections {
public:
    std::wstring name;     // NetBIOS name, upper case
    std::wstring dnsName;  // fully qualified, lower case
    std::wstring ip;       // dotted IPv4, may be empty
    bool online = true;
    OsFacts os;
    std::wstring comment;
    std::wstring domain;   // NetBIOS name of its domain (or workgroup)
    std::vector<std::wstring> administrators;  // identities and groups allowed to administer it
    DWORD latencyMs = 0;   // added to every call that reaches it
};

class Network : public Sections {
public:
    std::wstring domainName;     // NetBIOS, upper case
    std::wstring domainDnsName;  // lower case
    std::wstring interactiveUser;  // canonical account name the process runs as
    std::vector<Account> accounts;
    std::vector<std::unique_ptr<Computer>> computers;
    size_t localIndex = 0;

    // Rebuilds the name index; call after computers were added or renamed.
    void Index();

    // Server names as callers pass them: null or empty is the local computer;
    // "\\NAME", "NAME", the DNS name and the IP address are accepted, in any
    // case. Null when no computer answers to the name.
    Computer* Find(const wchar_t* server) const;
    Computer* Find(std::wstring_view server) const;
    Computer& Local() const { return *computers[localIndex]; }

    // "DOMAIN\user" or a UPN, in any case.
    const Account* FindAccount(std::wstring_view name) const;

private:
    std::unordered_map<std::wstring, Computer*> byName_;  // upper-cased names, DNS names, addresses
};

}  // namespace lab
