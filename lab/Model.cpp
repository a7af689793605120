#include "lab/Model.h"

#include "lab/Text.h"

#include <lm.h>

namespace lab {

DWORD ServerTypeFor(Role role) {
    constexpr DWORD base = SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_NT;
    switch (role) {
        case Role::Workstation: return base;
        case Role::Server: return base | SV_TYPE_SERVER_NT;
        case Role::DomainController: return base | SV_TYPE_DOMAIN_CTRL | SV_TYPE_TIME_SOURCE;
    }
    return base;
}

std::wstring_view Account::Domain() const {
    const size_t slash = name.find(L'\\');
    return slash == std::wstring::npos ? std::wstring_view() : std::wstring_view(name).substr(0, slash);
}

std::wstring_view Account::User() const {
    const size_t slash = name.find(L'\\');
    return slash == std::wstring::npos ? std::wstring_view(name) : std::wstring_view(name).substr(slash + 1);
}

void Network::Index() {
    byName_.clear();
    byName_.reserve(computers.size() * 3);
    for (const auto& c : computers) {
        byName_.emplace(Upper(c->name), c.get());
        if (!c->dnsName.empty()) byName_.emplace(Upper(c->dnsName), c.get());
        if (!c->ip.empty()) byName_.emplace(c->ip, c.get());
    }
}

Computer* Network::Find(const wchar_t* server) const {
    return Find(server ? std::wstring_view(server) : std::wstring_view());
}

Computer* Network::Find(std::wstring_view server) const {
    if (server.empty()) return computers.empty() ? nullptr : computers[localIndex].get();
    const std::wstring_view bare = StripBackslashes(server);
    if (bare.empty()) return nullptr;
    const auto it = byName_.find(Upper(bare));
    return it == byName_.end() ? nullptr : it->second;
}

const Account* Network::FindAccount(std::wstring_view name) const {
    for (const Account& a : accounts) {
        if (EqualsNoCase(a.name, name) || (!a.upn.empty() && EqualsNoCase(a.upn, name))) return &a;
    }
    return nullptr;
}

}  // namespace lab
