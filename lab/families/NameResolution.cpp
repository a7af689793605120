// Host names and ICMP echo: gethostbyname and gethostbyaddr answer from the
// network's name space (DNS name and address of each computer), and an echo
// reaches a computer that is online; others time out after the caller's
// timeout, on the lab's clock. As ws2_32 does, the name functions answer
// WSANOTINITIALISED until the process has started Winsock (starts and
// cleanups are counted per process, not per network).
#include "platform/NameResolution.h"

#include "lab/Accounting.h"
#include "lab/Clock.h"
#include "lab/Gate.h"
#include "lab/Text.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kWsaNoData = 11004;  // WSANO_DATA: the name is known but has no address
constexpr int kWsaFault = 10014;   // WSAEFAULT
constexpr int kWsaNoFamily = 10047;  // WSAEAFNOSUPPORT
constexpr int kWsaNotInitialised = 10093;  // WSANOTINITIALISED
constexpr int kWsaVersionNotSupported = 10092;  // WSAVERNOTSUPPORTED
constexpr WORD kHighestVersion = MAKEWORD(2, 2);

// Outstanding WSAStartup calls of this process.
std::atomic<long> g_winsockStarts{0};

bool WinsockStarted() {
    if (g_winsockStarts.load() > 0) return true;
    ::SetLastError(kWsaNotInitialised);
    return false;
}

// Windows keeps one hostent per thread; each call overwrites the previous one.
struct HostEntry {
    hostent entry{};
    std::string name;
    char* aliases[1] = {nullptr};
    in_addr address{};
    char* addresses[2] = {nullptr, nullptr};
};

thread_local HostEntry t_host;

bool ParseAddress(const std::wstring& text, in_addr& out) {
    unsigned a, b, c, d;
    wchar_t extra;
    if (std::swscanf(text.c_str(), L"%u.%u.%u.%u%lc", &a, &b, &c, &d, &extra) != 4) return false;
    if (a > 255 || b > 255 || c > 255 || d > 255) return false;
    const unsigned char bytes[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                                    static_cast<unsigned char>(c), static_cast<unsigned char>(d)};
    std::memcpy(&out, bytes, 4);
    return true;
}

std::wstring DottedAddress(const unsigned char* bytes) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

hostent* Answer(const lab::Computer& c) {
    in_addr address{};
    if (!ParseAddress(c.ip, address)) {
        ::SetLastError(kWsaNoData);
        return nullptr;
    }
    HostEntry& h = t_host;
    h.name = lab::Narrow(c.dnsName);
    h.address = address;
    h.addresses[0] = reinterpret_cast<char*>(&h.address);
    h.entry.h_name = h.name.data();
    h.entry.h_aliases = h.aliases;
    h.entry.h_addrtype = AF_INET;
    h.entry.h_length = 4;
    h.entry.h_addr_list = h.addresses;
    return &h.entry;
}

}  // namespace

int WINAPI plat::WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
    // The result is the error itself; the last error is not set.
    if (!lpWSAData) return kWsaFault;
    if (LOBYTE(wVersionRequested) < 1) return kWsaVersionNotSupported;
    {
        lab::Gate gate(nullptr, lab::Family::HostNames, "WSAStartup");
        if (gate.Error()) return static_cast<int>(gate.Error());
    }
    std::memset(lpWSAData, 0, sizeof *lpWSAData);
    // Versions above 2.2 are answered with 2.2, as ws2_32 does.
    const bool above = LOBYTE(wVersionRequested) > 2 ||
                       (LOBYTE(wVersionRequested) == 2 && HIBYTE(wVersionRequested) > 2);
    lpWSAData->wVersion = above ? kHighestVersion : wVersionRequested;
    lpWSAData->wHighVersion = kHighestVersion;
    std::strcpy(lpWSAData->szDescription, "WinSock 2.0");
    std::strcpy(lpWSAData->szSystemStatus, "Running");
    ++g_winsockStarts;
    return 0;
}

int WINAPI plat::WSACleanup() {
    long current = g_winsockStarts.load();
    while (current > 0 && !g_winsockStarts.compare_exchange_weak(current, current - 1)) {
    }
    if (current <= 0) {
        ::SetLastError(kWsaNotInitialised);
        return SOCKET_ERROR;
    }
    return 0;
}

hostent* WINAPI plat::gethostbyname(const char* name) {
    if (!WinsockStarted()) return nullptr;
    if (!name) {
        ::SetLastError(kWsaFault);
        return nullptr;
    }
    const std::wstring wide = lab::Widen(name);
    lab::Gate gate(wide.c_str(), lab::Family::HostNames, "gethostbyname");
    if (gate.Error()) {
        ::SetLastError(gate.Error());
        return nullptr;
    }
    return Answer(gate.Target());
}

hostent* WINAPI plat::gethostbyaddr(const char* addr, int len, int type) {
    if (!WinsockStarted()) return nullptr;
    if (!addr) {
        ::SetLastError(kWsaFault);
        return nullptr;
    }
    if (type != AF_INET) {
        ::SetLastError(kWsaNoFamily);
        return nullptr;
    }
    if (len != 4) {
        ::SetLastError(kWsaFault);
        return nullptr;
    }
    const std::wstring dotted = DottedAddress(reinterpret_cast<const unsigned char*>(addr));
    lab::Gate gate(dotted.c_str(), lab::Family::HostNames, "gethostbyaddr");
    if (gate.Error()) {
        ::SetLastError(gate.Error());
        return nullptr;
    }
    // Only an address that a computer has answers (the gate also finds
    // computers by name, which a dotted address never is).
    if (!lab::EqualsNoCase(gate.Target().ip, dotted)) {
        ::SetLastError(WSAHOST_NOT_FOUND);
        return nullptr;
    }
    return Answer(gate.Target());
}

HANDLE WINAPI plat::IcmpCreateFile() {
    // Local: counted and open to faults under the local computer.
    std::wstring local;
    {
        lab::Gate gate(nullptr, lab::Family::Icmp, "IcmpCreateFile");
        if (gate.Error()) {
            ::SetLastError(gate.Error());
            return INVALID_HANDLE_VALUE;
        }
        local = gate.Target().name;
    }
    return lab::Accounting::Get().IssueHandle(LAB_KIND_ICMP_HANDLE, local, "IcmpCreateFile");
}

BOOL WINAPI plat::IcmpCloseHandle(HANDLE IcmpHandle) {
    if (!lab::Accounting::Get().Release(LAB_KIND_ICMP_HANDLE, IcmpHandle, "IcmpCloseHandle")) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI plat::IcmpSendEcho(HANDLE IcmpHandle, IPAddr DestinationAddress, LPVOID RequestData, WORD RequestSize,
                                PIP_OPTION_INFORMATION RequestOptions, LPVOID ReplyBuffer, DWORD ReplySize,
                                DWORD Timeout) {
    (void)RequestOptions;
    if (!lab::Accounting::Get().Find(LAB_KIND_ICMP_HANDLE, IcmpHandle)) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!ReplyBuffer || (RequestSize && !RequestData)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // The reply needs room for its record, the echoed data and an ICMP error
    // message.
    if (ReplySize < sizeof(ICMP_ECHO_REPLY) + RequestSize + 8) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    auto* reply = static_cast<ICMP_ECHO_REPLY*>(ReplyBuffer);
    std::memset(reply, 0, sizeof *reply);
    reply->Address = DestinationAddress;
    const std::wstring dotted = DottedAddress(reinterpret_cast<const unsigned char*>(&DestinationAddress));
    DWORD status = 0;
    {
        lab::Gate gate(dotted.c_str(), lab::Family::Icmp, "IcmpSendEcho");
        status = gate.Error();
        if (!status && !lab::EqualsNoCase(gate.Target().ip, dotted)) status = IP_REQ_TIMED_OUT;
    }
    if (status == IP_REQ_TIMED_OUT) {
        // Nobody answers: the caller waits out its timeout.
        if (lab::clock::IsVirtual()) lab::clock::Advance(Timeout);
        else ::Sleep(Timeout);
    }
    if (status) {
        reply->Status = status;
        ::SetLastError(status);
        return 0;
    }
    auto* data = reinterpret_cast<unsigned char*>(reply + 1);
    if (RequestSize) std::memcpy(data, RequestData, RequestSize);
    reply->Status = IP_SUCCESS;
    reply->RoundTripTime = 1;
    reply->DataSize = RequestSize;
    reply->Data = data;
    reply->Options.Ttl = 128;
    return 1;
}
