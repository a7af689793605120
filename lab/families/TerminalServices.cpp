// Terminal services: the sessions of each computer (console, remote
// connections, listeners), and disconnecting, logging off and messaging them
// (WTSOpenServerW, WTSEnumerateSessionsW, WTSQuerySessionInformationW,
// WTSDisconnectSession, WTSLogoffSession, WTSSendMessageW, WTSFreeMemory,
// WTSCloseServer).
#include "platform/TerminalServices.h"

#include "lab/Gate.h"
#include "lab/Identity.h"
#include "lab/LabControl.h"
#include "lab/Memory.h"
#include "lab/Protocol.h"
#include "lab/Schema.h"
#include "lab/Sections.h"
#include "lab/State.h"
#include "lab/Text.h"

#include <cwchar>
#include <vector>

namespace {

constexpr DWORD kListenerId = 0x10000;
constexpr DWORD kNoProtocol = 0xFFFFFFFF;  // the session answers no protocol query

struct SentMessage {
    std::wstring title;
    std::wstring text;
};

struct TerminalSession {
    DWORD id = 0;
    std::wstring windowStation;
    DWORD state = WTSActive;
    DWORD protocol = kNoProtocol;
    std::wstring user;
    std::wstring domain;
    std::wstring client;
    std::vector<SentMessage> received;
};

struct TerminalServer {
    bool given = false;  // the scenario listed the sessions
    std::vector<TerminalSession> sessions;
    TerminalSession* Find(DWORD id) {
        for (TerminalSession& s : sessions) {
            if (s.id == id) return &s;
        }
        return nullptr;
    }
};

// A computer the scenario says nothing about has its console session only.
TerminalServer& ServerOf(lab::Computer& computer) {
    TerminalServer& server = computer.Section<TerminalServer>();
    if (!server.given) {
        server.given = true;
        TerminalSession console;
        console.windowStation = L"Console";
        console.state = WTSConnected;
        console.protocol = 0;
        server.sessions.push_back(console);
    }
    return server;
}

// --- Scenario -----------------------------------------------------------------

const wchar_t* const kStateNames[] = {L"active", L"connected", L"connectQuery", L"shadow", L"disconnected",
                                      L"idle",   L"listen",    L"reset",        L"down",   L"init"};

void ReadSession(const lab::json::Value& value, const std::string& path, TerminalSession& s, lab::Diagnostics& diag) {
    lab::ObjectReader r(value, path, diag);
    std::wstring state;
    r.Number("id", s.id, lab::Need::Required);
    r.String("windowStation", s.windowStation);
    r.String("state", state);
    r.Number("protocol", s.protocol, lab::Need::Optional, 0, 0xFFFF);
    r.String("user", s.user);
    r.String("domain", s.domain);
    r.String("client", s.client);
    r.Finish();
    if (!diag.Ok() || state.empty()) return;
    for (DWORD i = 0; i < sizeof(kStateNames) / sizeof(kStateNames[0]); ++i) {
        if (lab::EqualsNoCase(state, kStateNames[i])) {
            s.state = i;
            return;
        }
    }
    diag.Fail(value.line, path + ".state", "expected active, connected, connectQuery, shadow, disconnected, idle, "
                                           "listen, reset, down or init");
}

void ParseSessions(const lab::json::Value* value, const std::string& path, lab::Computer& computer,
                   lab::Diagnostics& diag) {
    if (!value || !lab::ExpectType(*value, lab::json::Type::Array, path, diag)) return;
    TerminalServer& server = computer.Section<TerminalServer>();
    server.given = true;
    for (size_t i = 0; i < value->items.size() && diag.Ok(); ++i) {
        TerminalSession s;
        ReadSession(value->items[i], lab::ItemPath(path, i), s, diag);
        if (server.Find(s.id)) diag.Fail(value->items[i].line, lab::ItemPath(path, i) + ".id", "duplicate session id");
        server.sessions.push_back(std::move(s));
    }
}

const lab::SectionRegistration sessionsSection{
    lab::ComputerSectionHandler{"terminalSessions", &ParseSessions, nullptr}};

// --- Handles ------------------------------------------------------------------

struct ServerHandle {
    std::wstring computer;
};

// Whether the caller may act on the session: administrators of the computer
// on every session, everybody else on their own only.
bool MayControl(const lab::Gate& gate, const TerminalSession& s) {
    if (!gate.RequireAdmin()) return true;
    return !s.user.empty() && lab::EqualsNoCase(s.domain + L"\\" + s.user, gate.Identity());
}

// The session a control call names, through the gate of its server's
// computer; `error` says why there is none.
TerminalSession* ControlledSession(const lab::Gate& gate, DWORD id, DWORD& error) {
    error = gate.Error();
    if (error) return nullptr;
    TerminalSession* s = ServerOf(gate.Target()).Find(id);
    if (!s) {
        error = ERROR_CTX_WINSTATION_NOT_FOUND;
    } else if (s->id == kListenerId) {
        error = ERROR_CTX_WINSTATION_ACCESS_DENIED;  // listeners take no connection commands
    } else if (!MayControl(gate, *s)) {
        error = ERROR_ACCESS_DENIED;
    }
    return error ? nullptr : s;
}

}  // namespace

HANDLE WINAPI plat::WTSOpenServerW(LPWSTR pServerName) {
    lab::Gate gate(pServerName, lab::Family::TerminalServices, "WTSOpenServerW");
    if (gate.Error()) {
        ::SetLastError(gate.Error());
        return nullptr;
    }
    auto payload = std::make_shared<ServerHandle>(ServerHandle{gate.Target().name});
    return lab::Accounting::Get().IssueHandle(LAB_KIND_WTS_SERVER, gate.Target().name, "WTSOpenServerW", payload);
}

VOID WINAPI plat::WTSCloseServer(HANDLE hServer) {
    if (!hServer) return;  // the current server's handle is never closed
    lab::Accounting::Get().Release(LAB_KIND_WTS_SERVER, hServer, "WTSCloseServer");
}

VOID WINAPI plat::WTSFreeMemory(PVOID pMemory) {
    if (pMemory) lab::ReleaseBlock(LAB_KIND_WTS_MEMORY, pMemory, "WTSFreeMemory");
}

BOOL WINAPI plat::WTSEnumerateSessionsW(HANDLE hServer, DWORD Reserved, DWORD Version, PWTS_SESSION_INFOW* ppSessionInfo,
                                        DWORD* pCount) {
    if (!ppSessionInfo || !pCount) return lab::Fail(ERROR_INVALID_PARAMETER);
    *ppSessionInfo = nullptr;
    *pCount = 0;
    const lab::HandleOf<ServerHandle> server(hServer, LAB_KIND_WTS_SERVER);
    if (!server) return lab::Fail(ERROR_INVALID_HANDLE);
    if (Reserved != 0 || Version != 1) return lab::Fail(ERROR_INVALID_PARAMETER);
    lab::Gate gate(server.Payload().computer.c_str(), lab::Family::TerminalServices, "WTSEnumerateSessionsW");
    if (gate.Error()) return lab::Fail(gate.Error());
    const TerminalServer& ts = ServerOf(gate.Target());
    size_t chars = 0;
    for (const TerminalSession& s : ts.sessions) chars += lab::Chars(s.windowStation);
    lab::RecordBuffer<WTS_SESSION_INFOW> out(ts.sessions.size(), chars);
    if (!out) return lab::Fail(ERROR_NOT_ENOUGH_MEMORY);
    for (size_t i = 0; i < ts.sessions.size(); ++i) {
        out[i].SessionId = ts.sessions[i].id;
        out[i].pWinStationName = out.Put(ts.sessions[i].windowStation);
        out[i].State = static_cast<WTS_CONNECTSTATE_CLASS>(ts.sessions[i].state);
    }
    *pCount = static_cast<DWORD>(ts.sessions.size());
    *ppSessionInfo = static_cast<PWTS_SESSION_INFOW>(out.Hand(LAB_KIND_WTS_MEMORY, gate.Target().name,
                                                              "WTSEnumerateSessionsW"));
    return TRUE;
}

BOOL WINAPI plat::WTSQuerySessionInformationW(HANDLE hServer, DWORD SessionId, WTS_INFO_CLASS WTSInfoClass,
                                              LPWSTR* ppBuffer, DWORD* pBytesReturned) {
    if (!ppBuffer || !pBytesReturned) return lab::Fail(ERROR_INVALID_PARAMETER);
    *ppBuffer = nullptr;
    *pBytesReturned = 0;
    const lab::HandleOf<ServerHandle> server(hServer, LAB_KIND_WTS_SERVER);
    if (!server) return lab::Fail(ERROR_INVALID_HANDLE);
    lab::Gate gate(server.Payload().computer.c_str(), lab::Family::TerminalServices, "WTSQuerySessionInformationW");
    if (gate.Error()) return lab::Fail(gate.Error());
    const TerminalSession* s = ServerOf(gate.Target()).Find(SessionId);
    if (!s) return lab::Fail(ERROR_CTX_WINSTATION_NOT_FOUND);

    auto handText = [&](const std::wstring& text) {
        lab::RecordBuffer<wchar_t> out(0, lab::Chars(text));
        if (!out) return lab::Fail(ERROR_NOT_ENOUGH_MEMORY);
        out.Put(text);
        *pBytesReturned = static_cast<DWORD>(lab::Chars(text) * sizeof(wchar_t));
        *ppBuffer = static_cast<LPWSTR>(out.Hand(LAB_KIND_WTS_MEMORY, gate.Target().name, "WTSQuerySessionInformationW"));
        return TRUE;
    };
    auto handValue = [&](auto value) {
        lab::RecordBuffer<decltype(value)> out(1, 0);
        if (!out) return lab::Fail(ERROR_NOT_ENOUGH_MEMORY);
        out[0] = value;
        *pBytesReturned = sizeof value;
        *ppBuffer = static_cast<LPWSTR>(out.Hand(LAB_KIND_WTS_MEMORY, gate.Target().name, "WTSQuerySessionInformationW"));
        return TRUE;
    };
    switch (WTSInfoClass) {
        case WTSWinStationName: return handText(s->windowStation);
        case WTSDomainName: return handText(s->domain);
        case WTSUserName: return handText(s->user);
        case WTSClientName: return handText(s->client);
        case WTSSessionId: return handValue(static_cast<ULONG>(s->id));
        case WTSConnectState: return handValue(static_cast<INT>(s->state));
        case WTSClientProtocolType:
            if (s->protocol == kNoProtocol) return lab::Fail(ERROR_NOT_SUPPORTED);
            return handValue(static_cast<USHORT>(s->protocol));
        default: return lab::Fail(ERROR_INVALID_PARAMETER);
    }
}

BOOL WINAPI plat::WTSDisconnectSession(HANDLE hServer, DWORD SessionId, BOOL bWait) {
    (void)bWait;  // the lab's sessions change at once
    const lab::HandleOf<ServerHandle> server(hServer, LAB_KIND_WTS_SERVER);
    if (!server) return lab::Fail(ERROR_INVALID_HANDLE);
    lab::Gate gate(server.Payload().computer.c_str(), lab::Family::TerminalServices, "WTSDisconnectSession");
    DWORD error = 0;
    TerminalSession* s = ControlledSession(gate, SessionId, error);
    if (!s) return lab::Fail(error);
    // A disconnected session keeps its user; its station and client go.
    s->state = WTSDisconnected;
    s->windowStation.clear();
    s->client.clear();
    return TRUE;
}

BOOL WINAPI plat::WTSLogoffSession(HANDLE hServer, DWORD SessionId, BOOL bWait) {
    (void)bWait;
    const lab::HandleOf<ServerHandle> server(hServer, LAB_KIND_WTS_SERVER);
    if (!server) return lab::Fail(ERROR_INVALID_HANDLE);
    lab::Gate gate(server.Payload().computer.c_str(), lab::Family::TerminalServices, "WTSLogoffSession");
    DWORD error = 0;
    TerminalSession* s = ControlledSession(gate, SessionId, error);
    if (!s) return lab::Fail(error);
    std::vector<TerminalSession>& sessions = ServerOf(gate.Target()).sessions;
    if (s->id == 0) {
        // The console stays; only its user goes.
        s->user.clear();
        s->domain.clear();
        s->state = WTSConnected;
        return TRUE;
    }
    sessions.erase(sessions.begin() + (s - sessions.data()));
    return TRUE;
}

BOOL WINAPI plat::WTSSendMessageW(HANDLE hServer, DWORD SessionId, LPWSTR pTitle, DWORD TitleLength, LPWSTR pMessage,
                                  DWORD MessageLength, DWORD Style, DWORD Timeout, DWORD* pResponse, BOOL bWait) {
    (void)Style, (void)Timeout;
    if (!pResponse || !pTitle || !pMessage) return lab::Fail(ERROR_INVALID_PARAMETER);
    const lab::HandleOf<ServerHandle> server(hServer, LAB_KIND_WTS_SERVER);
    if (!server) return lab::Fail(ERROR_INVALID_HANDLE);
    lab::Gate gate(server.Payload().computer.c_str(), lab::Family::TerminalServices, "WTSSendMessageW");
    DWORD error = 0;
    TerminalSession* s = ControlledSession(gate, SessionId, error);
    if (!s) return lab::Fail(error);
    // The lengths are in bytes; the session reads no further than they say.
    s->received.push_back(SentMessage{std::wstring(pTitle, ::wcsnlen(pTitle, TitleLength / sizeof(wchar_t))),
                                      std::wstring(pMessage, ::wcsnlen(pMessage, MessageLength / sizeof(wchar_t)))});
    *pResponse = bWait ? IDOK : IDASYNC;
    return TRUE;
}

DWORD LabSessionMessages(const wchar_t* computer, DWORD sessionId, wchar_t* buffer, DWORD chars) {
    const lab::LockedComputer c(computer);
    if (!c) return 0;
    const TerminalSession* s = ServerOf(*c).Find(sessionId);
    if (!s) return 0;
    std::wstring text;
    for (const SentMessage& m : s->received) text += m.title + L"\n" + m.text + L"\n";
    return lab::CopyOut(text, buffer, chars);
}
