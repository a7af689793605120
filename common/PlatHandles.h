#pragma once
// Owners for what plat:: functions hand out. Each closes through the seam so
// that the lab sees the release (and the real build calls the system's own
// function). Add a traits struct here for a new kind rather than closing by
// hand.
#include "common/Handles.h"
#include "platform/Plat.h"

namespace vantrel {

struct TokenTraits {  // LogonUserW tokens, files opened on a computer's share
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { plat::CloseHandle(h); }
};

struct ShareFileTraits {  // plat::CreateFileW: INVALID_HANDLE_VALUE when empty
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { plat::CloseHandle(h); }
};

struct ScHandleTraits {
    using Type = SC_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { plat::CloseServiceHandle(h); }
};

struct RegKeyTraits {  // keys from RegConnectRegistryW / RegOpenKeyExW / RegCreateKeyExW
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { plat::RegCloseKey(h); }
};

struct NetBufferTraits {  // buffers of the net functions
    using Type = void*;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type p) noexcept { plat::NetApiBufferFree(p); }
};

struct LsaHandleTraits {
    using Type = LSA_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { plat::LsaClose(h); }
};

struct WtsServerTraits {  // WTSOpenServerW; WTS_CURRENT_SERVER_HANDLE (null) is never closed
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { plat::WTSCloseServer(h); }
};

struct WtsMemoryTraits {
    using Type = void*;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type p) noexcept { plat::WTSFreeMemory(p); }
};

struct DnsRecordListTraits {
    using Type = PDNS_RECORD;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type p) noexcept { plat::DnsRecordListFree(p, DnsFreeRecordList); }
};

struct IcmpHandleTraits {  // IcmpCreateFile: INVALID_HANDLE_VALUE when it failed
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { plat::IcmpCloseHandle(h); }
};

using UniqueToken = Unique<TokenTraits>;
using UniqueShareFile = Unique<ShareFileTraits>;
using UniqueScHandle = Unique<ScHandleTraits>;
using UniqueRegKey = Unique<RegKeyTraits>;
using UniqueNetBuffer = Unique<NetBufferTraits>;
using UniqueLsaHandle = Unique<LsaHandleTraits>;
using UniqueWtsServer = Unique<WtsServerTraits>;
using UniqueWtsMemory = Unique<WtsMemoryTraits>;
using UniqueDnsRecordList = Unique<DnsRecordListTraits>;
using UniqueIcmpHandle = Unique<IcmpHandleTraits>;

// Net functions fill an LPBYTE*; this hands the owner's slot out typed that way.
inline LPBYTE* PutNetBuffer(UniqueNetBuffer& owner) noexcept { return reinterpret_cast<LPBYTE*>(owner.Put()); }

}  // namespace vantrel
