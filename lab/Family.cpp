#include "lab/Family.h"

#include <windns.h>
#include <winerror.h>
#include <ipexport.h>

namespace lab {

namespace {

constexpr DWORD kHrBadNetPath = 0x80070035;        // HRESULT of ERROR_BAD_NETPATH
constexpr DWORD kHrRpcUnavailable = 0x800706BA;    // HRESULT of RPC_S_SERVER_UNAVAILABLE
constexpr DWORD kHrAccessDenied = 0x80070005;
constexpr DWORD kWsaHostNotFound = 11001;          // WSAHOST_NOT_FOUND

// Indexed by Family; keep the order of the enum.
constexpr FamilyInfo kFamilies[] = {
    {"service control manager", RPC_S_SERVER_UNAVAILABLE, RPC_S_SERVER_UNAVAILABLE, ERROR_ACCESS_DENIED, false},
    {"network management", ERROR_BAD_NETPATH, ERROR_BAD_NETPATH, ERROR_ACCESS_DENIED, false},
    {"registry", ERROR_BAD_NETPATH, ERROR_BAD_NETPATH, ERROR_ACCESS_DENIED, false},
    {"accounts and LSA", RPC_S_SERVER_UNAVAILABLE, RPC_S_SERVER_UNAVAILABLE, ERROR_ACCESS_DENIED, false},
    {"logon", ERROR_NO_LOGON_SERVERS, ERROR_NO_LOGON_SERVERS, ERROR_ACCESS_DENIED, false},
    {"terminal services", RPC_S_SERVER_UNAVAILABLE, RPC_S_SERVER_UNAVAILABLE, ERROR_ACCESS_DENIED, false},
    {"spooler", RPC_S_SERVER_UNAVAILABLE, RPC_S_SERVER_UNAVAILABLE, ERROR_ACCESS_DENIED, false},
    {"remote access", RPC_S_SERVER_UNAVAILABLE, RPC_S_SERVER_UNAVAILABLE, ERROR_ACCESS_DENIED, false},
    {"directory service", kHrBadNetPath, kHrBadNetPath, kHrAccessDenied, true},
    {"DNS", DNS_ERROR_RCODE_NAME_ERROR, 0, ERROR_ACCESS_DENIED, false},
    {"host names", kWsaHostNotFound, 0, ERROR_ACCESS_DENIED, false},
    {"ICMP", IP_REQ_TIMED_OUT, IP_REQ_TIMED_OUT, ERROR_ACCESS_DENIED, false},
    {"management instrumentation", kHrRpcUnavailable, kHrRpcUnavailable, kHrAccessDenied, true},
    {"object picker", kHrRpcUnavailable, kHrRpcUnavailable, kHrAccessDenied, true},
    {"administrative share", ERROR_BAD_NETPATH, ERROR_BAD_NETPATH, ERROR_ACCESS_DENIED, false},
    {"clock", 0, 0, 0, false},
};

static_assert(sizeof(kFamilies) / sizeof(kFamilies[0]) == static_cast<size_t>(Family::Clock) + 1,
              "one entry per family");

}  // namespace

const FamilyInfo& Describe(Family family) { return kFamilies[static_cast<size_t>(family)]; }

}  // namespace lab
