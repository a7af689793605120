#include "lab/DefaultNetwork.h"

#include "lab/AccountDatabase.h"
#include "lab/LabResources.h"
#include "lab/Scenario.h"
#include "lab/Text.h"

#include <cstdio>

namespace lab {

namespace {

HMODULE ThisModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

std::string_view EmbeddedScenario() {
    const HMODULE module = ThisModule();
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_LAB_DEFAULT_SCENARIO), MAKEINTRESOURCEW(10));
    HGLOBAL data = info ? ::LoadResource(module, info) : nullptr;
    const void* bytes = data ? ::LockResource(data) : nullptr;
    return bytes ? std::string_view(static_cast<const char*>(bytes), ::SizeofResource(module, info))
                 : std::string_view();
}

// A small deterministic generator (xorshift32), so that a seed names a network.
class Random {
public:
    explicit Random(DWORD seed) : state_(seed ? seed : 0x9E3779B9u) {}
    DWORD Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    DWORD Below(DWORD n) { return Next() % n; }

private:
    DWORD state_;
};

struct OsChoice {
    DWORD major, minor, build;
    const wchar_t* product;
};

constexpr OsChoice kWorkstationOs[] = {
    {10, 0, 19045, L"Windows 10 Enterprise"},
    {10, 0, 22631, L"Windows 11 Enterprise"},
    {6, 1, 7601, L"Windows 7 Professional"},
};
constexpr OsChoice kServerOs[] = {
    {10, 0, 17763, L"Windows Server 2019 Standard"},
    {10, 0, 20348, L"Windows Server 2022 Standard"},
    {6, 3, 9600, L"Windows Server 2012 R2 Standard"},
};

std::unique_ptr<Computer> MakeComputer(const Network& net, size_t index, Random& random) {
    auto c = std::make_unique<Computer>();
    wchar_t name[16];
    Role role = Role::Workstation;
    if (index == 0) {
        std::swprintf(name, 16, L"ADMIN01");
    } else if (index % 50 == 1) {
        role = Role::DomainController;
        std::swprintf(name, 16, L"DC%05zu", index);
    } else if (index % 10 == 2) {
        role = Role::Server;
        std::swprintf(name, 16, L"SRV%05zu", index);
    } else {
        std::swprintf(name, 16, L"WS%06zu", index);
    }
    const OsChoice& os = role == Role::Workstation ? kWorkstationOs[random.Below(3)] : kServerOs[random.Below(3)];
    c->name = name;
    c->dnsName = Lower(c->name) + L"." + net.domainDnsName;
    wchar_t ip[16];
    const size_t n = index + 10;
    std::swprintf(ip, 16, L"10.%zu.%zu.%zu", (n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
    c->ip = ip;
    c->online = index == 0 || random.Below(20) != 0;
    c->os = OsFacts{os.major, os.minor, os.build, os.product, 500, role, ServerTypeFor(role)};
    c->domain = net.domainName;
    c->administrators = {net.domainName + L"\\Domain Admins"};
    if (role == Role::Workstation) c->administrators.push_back(net.domainName + L"\\Helpdesk");
    if (index == 0) c->administrators.push_back(net.domainName + L"\\operator");
    return c;
}

}  // namespace

std::unique_ptr<Network> BuiltInNetwork(std::wstring* error) {
    std::wstring message;
    const std::string_view text = EmbeddedScenario();
    std::unique_ptr<Network> net =
        text.empty() ? nullptr : ParseScenario(text, L"scenarios/default.json", message);
    if (!net) {
        if (text.empty()) message = L"scenarios/default.json: not embedded in the lab DLL";
        ::OutputDebugStringW((L"lab: " + message + L"\n").c_str());
        net = GenerateNetwork(GeneratorOptions{1, 1});
    }
    if (error) *error = message;
    return net;
}

std::unique_ptr<Network> GenerateNetwork(const GeneratorOptions& options) {
    auto net = std::make_unique<Network>();
    net->domainName = L"LAB";
    net->domainDnsName = L"lab.local";
    net->accounts = {
        {L"LAB\\Administrator", L"Adm1n!Lab", L"administrator@lab.local", {L"LAB\\Domain Admins"}},
        {L"LAB\\operator", L"Op3rator!", L"operator@lab.local", {L"LAB\\Domain Users"}},
        {L"LAB\\helpdesk", L"H3lpdesk!", L"helpdesk@lab.local", {L"LAB\\Helpdesk", L"LAB\\Domain Users"}},
    };
    net->interactiveUser = L"LAB\\operator";
    Random random(options.seed);
    const size_t count = options.computers ? options.computers : 1;
    net->computers.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        net->computers.push_back(MakeComputer(*net, i, random));
        for (const ComputerSectionHandler& h : ComputerSectionHandlers()) {
            if (h.generate) h.generate(*net->computers.back(), i, options);
        }
    }
    net->localIndex = 0;
    BuildAccountDatabases(*net);
    for (const NetworkSectionHandler& h : NetworkSectionHandlers()) {
        if (h.generate) h.generate(*net, options);
    }
    net->Index();
    return net;
}

}  // namespace lab
