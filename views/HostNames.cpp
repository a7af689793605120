#include "views/HostNames.h"

#include "common/PlatHandles.h"
#include "views/RowText.h"

#include <cstring>
#include <vector>

namespace vantrel {
namespace {

constexpr WORD kEchoDataBytes = 72;
constexpr DWORD kEchoTimeoutMs = 5000;
// Room for the reply record, the echoed data and an ICMP error message (the
// reply record alone is 40 bytes on x64, so a fixed 100 bytes would not do).
constexpr DWORD kReplyBytes = sizeof(ICMP_ECHO_REPLY) + kEchoDataBytes + 8;

}  // namespace

HostLookup EchoHost(DWORD address) {
    UniqueIcmpHandle icmp(plat::IcmpCreateFile());
    if (!icmp) return HostLookup::NoEchoHandle;
    unsigned char request[kEchoDataBytes];
    std::memset(request, 'E', sizeof request);
    std::vector<unsigned char> reply(kReplyBytes);
    const DWORD replies = plat::IcmpSendEcho(icmp.Get(), ::htonl(address), request, kEchoDataBytes, nullptr,
                                             reply.data(), kReplyBytes, kEchoTimeoutMs);
    const DWORD status = replies > 0 ? reinterpret_cast<const ICMP_ECHO_REPLY*>(reply.data())->Status
                                     : ::GetLastError();
    if (replies > 0 && status == IP_SUCCESS) return HostLookup::Found;
    return status == IP_REQ_TIMED_OUT ? HostLookup::TimedOut : HostLookup::Failed;
}

std::wstring ClientDisplayName(const wchar_t* client, HostLookup* status) {
    const std::wstring unchanged = client ? client : L"";
    DWORD address = 0;
    if (!ParseClientAddress(client, &address)) return unchanged;
    HostLookup result = EchoHost(address);
    std::wstring name;
    if (result == HostLookup::Found) {
        const u_long networkOrder = ::htonl(address);
        const hostent* host = plat::gethostbyaddr(reinterpret_cast<const char*>(&networkOrder), 4, AF_INET);
        if (host && host->h_name) {
            const int chars = ::MultiByteToWideChar(CP_ACP, 0, host->h_name, -1, nullptr, 0);
            if (chars > 1) {
                name.resize(static_cast<size_t>(chars));
                ::MultiByteToWideChar(CP_ACP, 0, host->h_name, -1, name.data(), chars);
                name.resize(static_cast<size_t>(chars - 1));
            }
        }
        if (name.empty()) result = HostLookup::NoName;
    }
    if (status) *status = result;
    return name.empty() ? unchanged : name;
}

}  // namespace vantrel
