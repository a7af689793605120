#include "lab/Scenario.h"

#include "lab/Schema.h"
#include "lab/AccountDatabase.h"
#include "lab/Sections.h"
#include "lab/Text.h"
#include "lab/UniqueHandle.h"

#include <map>

namespace lab {
namespace {

bool IsNetBiosName(std::wstring_view name) {
    if (name.empty() || name.size() > 15) return false;
    for (wchar_t c : name) {
        if (c <= L' ' || std::wstring_view(L"\\/:*?\"<>|.,;=+[]").find(c) != std::wstring_view::npos) return false;
    }
    return true;
}

bool IsIPv4(std::wstring_view text) {
    int parts = 0;
    size_t i = 0;
    while (i <= text.size()) {
        size_t digits = 0;
        unsigned value = 0;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && digits < 4) {
            value = value * 10 + static_cast<unsigned>(text[i] - L'0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return false;
        ++parts;
        if (i == text.size()) break;
        if (text[i] != L'.') return false;
        ++i;
    }
    return parts == 4;
}

bool ParseRole(std::wstring_view text, Role& role) {
    if (text == L"workstation") role = Role::Workstation;
    else if (text == L"server") role = Role::Server;
    else if (text == L"domainController") role = Role::DomainController;
    else return false;
    return true;
}

// Names, DNS names and addresses share one name space: a caller can pass any.
class NameRegistry {
public:
    explicit NameRegistry(Diagnostics& diag) : diag_(diag) {}
    void Claim(const std::wstring& name, size_t index, int line, const std::string& path) {
        if (name.empty() || !diag_.Ok()) return;
        const auto [it, added] = owners_.emplace(Upper(name), index);
        if (!added && it->second != index) {
            diag_.Fail(line, path, "\"" + Narrow(name) + "\" is already used by computers[" +
                                       std::to_string(it->second) + "]");
        }
    }

private:
    Diagnostics& diag_;
    std::map<std::wstring, size_t> owners_;
};

void ReadDomain(const json::Value& value, Network& net, Diagnostics& diag) {
    ObjectReader r(value, "domain", diag);
    std::wstring name;
    r.String("name", name, Need::Required);
    r.String("dnsName", net.domainDnsName);
    r.Finish();
    if (!diag.Ok()) return;
    if (!IsNetBiosName(name)) diag.Fail(r.LineOf("name"), "domain.name", "expected a NetBIOS domain name");
    net.domainName = Upper(name);
    net.domainDnsName = net.domainDnsName.empty() ? Lower(name) + L".local" : Lower(net.domainDnsName);
}

void ReadAccount(const json::Value& value, const std::string& path, Network& net, Diagnostics& diag) {
    ObjectReader r(value, path, diag);
    Account a;
    r.String("name", a.name, Need::Required);
    r.String("password", a.password, Need::Required);
    r.String("upn", a.upn);
    r.StringList("groups", a.groups);
    r.Finish();
    if (!diag.Ok()) return;
    const size_t slash = a.name.find(L'\\');
    if (slash == std::wstring::npos || slash == 0 || slash + 1 == a.name.size() ||
        a.name.find(L'\\', slash + 1) != std::wstring::npos) {
        diag.Fail(r.LineOf("name"), r.PathOf("name"), "expected DOMAIN\\user");
        return;
    }
    if (!a.upn.empty() && a.upn.find(L'@') == std::wstring::npos) {
        diag.Fail(r.LineOf("upn"), r.PathOf("upn"), "expected user@dns.domain");
        return;
    }
    if (net.FindAccount(a.name) || (!a.upn.empty() && net.FindAccount(a.upn))) {
        const bool byName = net.FindAccount(a.name) != nullptr;
        diag.Fail(r.LineOf(byName ? "name" : "upn"), r.PathOf(byName ? "name" : "upn"),
                  "account \"" + Narrow(byName ? a.name : a.upn) + "\" is given twice");
        return;
    }
    net.accounts.push_back(std::move(a));
}

// SV_TYPE_* bits read best in hex, which JSON numbers cannot be: "0x00009203".
void ReadServerType(const json::Value& value, const std::string& path, DWORD& out, Diagnostics& diag) {
    if (value.type == json::Type::Number) {
        ReadNumber(value, path, diag, 0, 0xFFFFFFFF, out);
        return;
    }
    const std::string& t = value.text;
    bool ok = value.type == json::Type::String && t.size() > 2 && t.size() <= 10 && t[0] == '0' &&
              (t[1] == 'x' || t[1] == 'X');
    DWORD bits = 0;
    for (size_t i = 2; ok && i < t.size(); ++i) {
        const char c = t[i];
        const int digit = c >= '0' && c <= '9' ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        ok = digit >= 0;
        bits = (bits << 4) | static_cast<DWORD>(digit & 0xF);
    }
    if (!ok) {
        diag.Fail(value.line, path, "expected a number or a hex string like \"0x00009003\"");
        return;
    }
    out = static_cast<DWORD>(bits);
}

void ReadOs(const json::Value& value, const std::string& path, OsFacts& os, Diagnostics& diag) {
    ObjectReader r(value, path, diag);
    r.Number("major", os.major, Need::Required, 0, 15);
    r.Number("minor", os.minor, Need::Required, 0, 255);
    r.Number("build", os.build, Need::Required);
    r.String("product", os.product);
    r.Number("platformId", os.platformId);
    std::wstring role;
    r.String("role", role);
    const json::Value* type = r.Take("serverType");
    if (type) ReadServerType(*type, r.PathOf("serverType"), os.serverType, diag);
    r.Finish();
    if (!diag.Ok()) return;
    if (!role.empty() && !ParseRole(role, os.role)) {
        diag.Fail(r.LineOf("role"), r.PathOf("role"), "expected \"workstation\", \"server\" or \"domainController\"");
        return;
    }
    if (!type) os.serverType = ServerTypeFor(os.role);
}

void ReadComputer(const json::Value& value, const std::string& path, size_t index, Network& net,
                  NameRegistry& names, Diagnostics& diag, bool& local, int& localLine) {
    ObjectReader r(value, path, diag);
    auto c = std::make_unique<Computer>();
    std::wstring name;
    r.String("name", name, Need::Required);
    r.String("dnsName", c->dnsName);
    r.String("ip", c->ip);
    r.Bool("local", local);
    localLine = r.LineOf("local");
    r.Bool("online", c->online);
    if (const json::Value* os = r.Take("os")) ReadOs(*os, r.PathOf("os"), c->os, diag);
    r.String("comment", c->comment);
    r.String("domain", c->domain);
    c->administrators = {net.domainName + L"\\Domain Admins"};
    r.StringList("administrators", c->administrators);
    r.Number("latencyMs", c->latencyMs, Need::Optional, 0, 600000);
    for (const ComputerSectionHandler& h : ComputerSectionHandlers()) {
        const json::Value* section = r.Take(h.key);
        if (diag.Ok()) h.parse(section, r.PathOf(h.key), *c, diag);
    }
    r.Finish();
    if (!diag.Ok()) return;

    if (!IsNetBiosName(name)) {
        diag.Fail(r.LineOf("name"), r.PathOf("name"),
                  "expected a computer name of 1 to 15 characters without spaces or \\/:*?\"<>|.,;=+[]");
        return;
    }
    if (!c->ip.empty() && !IsIPv4(c->ip)) {
        diag.Fail(r.LineOf("ip"), r.PathOf("ip"), "expected an IPv4 address like 10.0.0.5");
        return;
    }
    c->name = Upper(name);
    c->dnsName = c->dnsName.empty() ? Lower(name) + L"." + net.domainDnsName : Lower(c->dnsName);
    c->domain = c->domain.empty() ? net.domainName : Upper(c->domain);
    names.Claim(c->name, index, r.LineOf("name"), r.PathOf("name"));
    names.Claim(c->dnsName, index, r.LineOf("dnsName"), r.PathOf("dnsName"));
    names.Claim(c->ip, index, r.LineOf("ip"), r.PathOf("ip"));
    net.computers.push_back(std::move(c));
}

void ReadComputers(const json::Value& list, Network& net, Diagnostics& diag) {
    if (!ExpectType(list, json::Type::Array, "computers", diag)) return;
    if (list.items.empty()) {
        diag.Fail(list.line, "computers", "a network needs at least one computer");
        return;
    }
    NameRegistry names(diag);
    int localIndex = -1;
    for (size_t i = 0; i < list.items.size() && diag.Ok(); ++i) {
        bool local = false;
        int localLine = 0;
        ReadComputer(list.items[i], ItemPath("computers", i), i, net, names, diag, local, localLine);
        if (!local || !diag.Ok()) continue;
        if (localIndex >= 0) {
            diag.Fail(localLine, ItemPath("computers", i) + ".local",
                      "only one computer can be local (computers[" + std::to_string(localIndex) + "] is)");
            return;
        }
        localIndex = static_cast<int>(i);
    }
    // Without a mark the first computer is the one the program runs on.
    net.localIndex = localIndex < 0 ? 0 : static_cast<size_t>(localIndex);
}

}  // namespace

std::unique_ptr<Network> ParseScenario(std::string_view utf8, const std::wstring& source, std::wstring& error) {
    Diagnostics diag(source);
    json::Value root;
    json::SyntaxError syntax;
    if (!json::Parse(utf8, root, syntax)) {
        diag.Fail(syntax.line, "", syntax.message);
        error = diag.Message();
        return nullptr;
    }

    auto net = std::make_unique<Network>();
    ObjectReader r(root, "", diag);
    std::wstring description;
    r.String("description", description);
    if (const json::Value* domain = r.Take("domain", Need::Required)) ReadDomain(*domain, *net, diag);
    r.String("interactiveUser", net->interactiveUser, Need::Required);
    if (const json::Value* accounts = r.Take("accounts", Need::Required)) {
        if (ExpectType(*accounts, json::Type::Array, "accounts", diag)) {
            for (size_t i = 0; i < accounts->items.size() && diag.Ok(); ++i)
                ReadAccount(accounts->items[i], ItemPath("accounts", i), *net, diag);
        }
    }
    if (diag.Ok()) {
        if (const Account* user = net->FindAccount(net->interactiveUser)) {
            net->interactiveUser = user->name;
        } else {
            diag.Fail(r.LineOf("interactiveUser"), "interactiveUser",
                      "no account named \"" + Narrow(net->interactiveUser) + "\" in accounts");
        }
    }
    if (const json::Value* computers = r.Take("computers", Need::Required)) ReadComputers(*computers, *net, diag);
    if (diag.Ok()) BuildAccountDatabases(*net);
    for (const NetworkSectionHandler& h : NetworkSectionHandlers()) {
        const json::Value* section = r.Take(h.key);
        if (diag.Ok()) h.parse(section, h.key, *net, diag);
    }
    r.Finish();
    if (!diag.Ok()) {
        error = diag.Message();
        return nullptr;
    }
    net->Index();
    return net;
}

std::unique_ptr<Network> ReadScenarioFile(const std::wstring& path, std::wstring& error, DWORD& status) {
    auto fail = [&](DWORD code) -> std::unique_ptr<Network> {
        status = code ? code : ERROR_READ_FAULT;
        error = path + L": cannot read the file (error " + std::to_wstring(status) + L")";
        return nullptr;
    };
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return fail(::GetLastError());
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size)) return fail(::GetLastError());
    if (size.QuadPart > 256 * 1024 * 1024) return fail(ERROR_FILE_TOO_LARGE);
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!text.empty() &&
        !::ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr))
        return fail(::GetLastError());
    if (read != text.size()) return fail(ERROR_READ_FAULT);
    auto net = ParseScenario(text, path, error);
    status = net ? 0 : ERROR_INVALID_DATA;
    return net;
}

}  // namespace lab
