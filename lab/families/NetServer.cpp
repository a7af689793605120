// Network management: server and workstation facts, and the buffers every
// net function hands out.
#include "platform/NetManagement.h"

#include "lab/Gate.h"
#include "lab/Memory.h"

namespace {

constexpr DWORD kMajorVersionMask = 0x0F;  // the high bits of sv101_version_major are flags

NET_API_STATUS ServerInfo100(const lab::Computer& c, LPBYTE* bufptr) {
    lab::RecordBuffer<SERVER_INFO_100> out(1, lab::Chars(c.name));
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    out[0].sv100_platform_id = c.os.platformId;
    out[0].sv100_name = out.Put(c.name);
    *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, c.name, "NetServerGetInfo"));
    return NERR_Success;
}

void Fill101(const lab::Computer& c, SERVER_INFO_101& info) {
    info.sv101_platform_id = c.os.platformId;
    info.sv101_version_major = c.os.major & kMajorVersionMask;
    info.sv101_version_minor = c.os.minor;
    info.sv101_type = c.os.serverType;
}

NET_API_STATUS ServerInfo101(const lab::Computer& c, LPBYTE* bufptr) {
    lab::RecordBuffer<SERVER_INFO_101> out(1, lab::Chars(c.name) + lab::Chars(c.comment));
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    Fill101(c, out[0]);
    out[0].sv101_name = out.Put(c.name);
    out[0].sv101_comment = out.Put(c.comment);
    *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, c.name, "NetServerGetInfo"));
    return NERR_Success;
}

NET_API_STATUS ServerInfo102(const lab::Computer& c, LPBYTE* bufptr) {
    static constexpr wchar_t kUserPath[] = L"c:\\";
    lab::RecordBuffer<SERVER_INFO_102> out(1, lab::Chars(c.name) + lab::Chars(c.comment) + lab::Chars(kUserPath));
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    SERVER_INFO_101 head{};
    Fill101(c, head);
    SERVER_INFO_102& info = out[0];
    info.sv102_platform_id = head.sv101_platform_id;
    info.sv102_version_major = head.sv101_version_major;
    info.sv102_version_minor = head.sv101_version_minor;
    info.sv102_type = head.sv101_type;
    info.sv102_name = out.Put(c.name);
    info.sv102_comment = out.Put(c.comment);
    // Workstations serve a handful of connections; servers are unlimited.
    info.sv102_users = c.os.role == lab::Role::Workstation ? 20 : 16777216;
    info.sv102_disc = 15;
    info.sv102_hidden = SV_VISIBLE;
    info.sv102_announce = 240;
    info.sv102_anndelta = 3000;
    info.sv102_licenses = 0;
    info.sv102_userpath = out.Put(kUserPath);
    *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, c.name, "NetServerGetInfo"));
    return NERR_Success;
}

}  // namespace

NET_API_STATUS WINAPI plat::NetServerGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr) {
    if (!bufptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetServerGetInfo");
    if (gate.Error()) return gate.Error();
    switch (level) {
        case 100: return ServerInfo100(gate.Target(), bufptr);
        case 101: return ServerInfo101(gate.Target(), bufptr);
        case 102:
            // Levels 100 and 101 are open to everyone; 102 to administrators.
            if (const DWORD denied = gate.RequireAdmin()) return denied;
            return ServerInfo102(gate.Target(), bufptr);
        default: return ERROR_INVALID_LEVEL;
    }
}

NET_API_STATUS WINAPI plat::NetWkstaGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr) {
    if (!bufptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetWkstaGetInfo");
    if (gate.Error()) return gate.Error();
    if (level != 100) return ERROR_INVALID_LEVEL;
    const lab::Computer& c = gate.Target();
    lab::RecordBuffer<WKSTA_INFO_100> out(1, lab::Chars(c.name) + lab::Chars(c.domain));
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    out[0].wki100_platform_id = c.os.platformId;
    out[0].wki100_computername = out.Put(c.name);
    out[0].wki100_langroup = out.Put(c.domain);
    out[0].wki100_ver_major = c.os.major;
    out[0].wki100_ver_minor = c.os.minor;
    *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, c.name, "NetWkstaGetInfo"));
    return NERR_Success;
}

// A computer whose domain is the network's is joined to it (status 3, the
// domain's name); any other names its workgroup (status 2).
NET_API_STATUS WINAPI plat::NetGetJoinInformation(LPCWSTR lpServer, LPWSTR* lpNameBuffer,
                                                  PNETSETUP_JOIN_STATUS BufferType) {
    if (!lpNameBuffer || !BufferType) return ERROR_INVALID_PARAMETER;
    *lpNameBuffer = nullptr;
    lab::Gate gate(lpServer, lab::Family::NetManagement, "NetGetJoinInformation");
    if (gate.Error()) return gate.Error();
    const lab::Computer& c = gate.Target();
    lab::RecordBuffer<wchar_t> out(0, lab::Chars(c.domain));
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    out.Put(c.domain);
    *BufferType = c.domain == gate.Net().domainName ? NetSetupDomainName : NetSetupWorkgroupName;
    *lpNameBuffer = static_cast<LPWSTR>(out.Hand(LAB_KIND_NET_BUFFER, c.name, "NetGetJoinInformation"));
    return NERR_Success;
}

NET_API_STATUS WINAPI plat::NetApiBufferFree(LPVOID Buffer) {
    if (!Buffer) return NERR_Success;
    return lab::ReleaseBlock(LAB_KIND_NET_BUFFER, Buffer, "NetApiBufferFree") ? NERR_Success
                                                                              : ERROR_INVALID_PARAMETER;
}
