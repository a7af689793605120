// Network management: the sessions and open files of each computer's file
// server (NetSessionEnum, NetSessionDel, NetFileEnum, NetFileClose).
#include "platform/NetManagement.h"

#include "lab/Gate.h"
#include "lab/LabControl.h"
#include "lab/Memory.h"
#include "lab/Protocol.h"
#include "lab/Sections.h"
#include "lab/State.h"
#include "lab/Text.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

struct Session {
    std::wstring client;      // as the server recorded it: an address or a computer name, no backslashes
    std::wstring user;
    std::wstring clientType;  // sesi2_cltype_name
    std::wstring transport;   // sesi502_transport
    DWORD opens = 0;
    DWORD connectedSeconds = 0;
    DWORD idleSeconds = 0;
    DWORD userFlags = 0;      // SESS_GUEST 1, SESS_NOENCRYPTION 2
};

struct HeldFile {
    DWORD id = 0;
    std::wstring path;
    std::wstring user;
    std::wstring client;      // the session it belongs to; empty: any session of the user
    DWORD permissions = 0;    // PERM_FILE_READ 1, PERM_FILE_WRITE 2, PERM_FILE_CREATE 4
    DWORD locks = 0;
};

struct FileServer {
    std::vector<Session> sessions;
    std::vector<HeldFile> files;
    DWORD enumBatch = 0;  // entries per enumeration answer at most; 0: as many as prefmaxlen allows
    DWORD nextFileId = 1;
};

constexpr wchar_t kDefaultTransport[] = L"\\Device\\NetbtSmb";

// --- Scenario -----------------------------------------------------------------

void ReadSession(const lab::json::Value& value, const std::string& path, Session& s, lab::Diagnostics& diag) {
    lab::ObjectReader r(value, path, diag);
    r.String("client", s.client, lab::Need::Required);
    r.String("user", s.user, lab::Need::Required);
    r.String("clientType", s.clientType);
    r.String("transport", s.transport);
    r.Number("opens", s.opens);
    r.Number("connectedSeconds", s.connectedSeconds);
    r.Number("idleSeconds", s.idleSeconds);
    r.Number("userFlags", s.userFlags);
    r.Finish();
    s.client = std::wstring(lab::StripBackslashes(s.client));
    if (s.transport.empty()) s.transport = kDefaultTransport;
}

void ParseSessions(const lab::json::Value* value, const std::string& path, lab::Computer& computer,
                   lab::Diagnostics& diag) {
    lab::ReadItems(value, path, diag, [&](const lab::json::Value& item, const std::string& itemPath) {
        Session s;
        ReadSession(item, itemPath, s, diag);
        computer.Section<FileServer>().sessions.push_back(std::move(s));
    });
}

void ParseOpenFiles(const lab::json::Value* value, const std::string& path, lab::Computer& computer,
                    lab::Diagnostics& diag) {
    if (!value || !lab::ExpectType(*value, lab::json::Type::Array, path, diag)) return;
    FileServer& server = computer.Section<FileServer>();
    for (size_t i = 0; i < value->items.size() && diag.Ok(); ++i) {
        const std::string itemPath = lab::ItemPath(path, i);
        lab::ObjectReader r(value->items[i], itemPath, diag);
        HeldFile f;
        r.Number("id", f.id, lab::Need::Optional, 1);
        r.String("path", f.path, lab::Need::Required);
        r.String("user", f.user, lab::Need::Required);
        r.String("client", f.client);
        r.Number("permissions", f.permissions, lab::Need::Optional, 0, 7);
        r.Number("locks", f.locks);
        r.Finish();
        f.client = std::wstring(lab::StripBackslashes(f.client));
        if (f.id == 0) f.id = server.nextFileId;
        for (const HeldFile& other : server.files) {
            if (other.id == f.id && diag.Ok())
                diag.Fail(r.LineOf("id"), r.PathOf("id"), "file id " + std::to_string(f.id) + " is already used");
        }
        server.nextFileId = std::max(server.nextFileId, f.id + 1);
        server.files.push_back(std::move(f));
    }
}

void ParseEnumBatch(const lab::json::Value* value, const std::string& path, lab::Computer& computer,
                    lab::Diagnostics& diag) {
    if (!value) return;
    lab::ReadNumber(*value, path, diag, 0, 0xFFFFFFFF, computer.Section<FileServer>().enumBatch);
}

// Generated servers carry a few sessions of generated workstations.
void GenerateSessions(lab::Computer& computer, size_t index, const lab::GeneratorOptions& options) {
    if (computer.os.role == lab::Role::Workstation || index == 0) return;
    FileServer& server = computer.Section<FileServer>();
    const size_t count = (index * 7 + options.seed) % 6;
    for (size_t i = 0; i < count; ++i) {
        const size_t client = (index * 13 + i * 31 + options.seed) % (options.computers ? options.computers : 1) + 10;
        wchar_t address[16];
        std::swprintf(address, 16, L"10.%zu.%zu.%zu", (client >> 16) & 0xFF, (client >> 8) & 0xFF, client & 0xFF);
        Session s;
        s.client = address;
        s.user = i % 3 == 0 ? L"helpdesk" : L"operator";
        s.clientType = L"Windows 10 Enterprise 19045";
        s.transport = kDefaultTransport;
        s.opens = static_cast<DWORD>(i % 4);
        s.connectedSeconds = static_cast<DWORD>(600 + index * 97 + i * 3600);
        s.idleSeconds = static_cast<DWORD>((index + i) * 11 % 900);
        server.sessions.push_back(std::move(s));
    }
}

const lab::SectionRegistration sessionsSection{
    lab::ComputerSectionHandler{"sessions", &ParseSessions, &GenerateSessions}};
const lab::SectionRegistration openFilesSection{lab::ComputerSectionHandler{"openFiles", &ParseOpenFiles, nullptr}};
const lab::SectionRegistration enumBatchSection{lab::ComputerSectionHandler{"enumBatch", &ParseEnumBatch, nullptr}};

// --- Matching -----------------------------------------------------------------

// A client name as callers pass it ("\\NAME", "NAME", an address, the DNS
// name) reaches the sessions of that client: the name the server recorded, or
// any other name of the same lab computer.
bool ClientMatches(const lab::Network& net, const std::wstring& recorded, const wchar_t* asked) {
    const std::wstring_view name = lab::StripBackslashes(asked);
    if (lab::EqualsNoCase(recorded, name)) return true;
    const lab::Computer* a = net.Find(recorded);
    return a && a == net.Find(name);
}

bool UserMatches(const std::wstring& recorded, const wchar_t* asked) {
    return !asked || !*asked || lab::EqualsNoCase(recorded, asked);
}

// --- Batches ------------------------------------------------------------------

// The most entries one answer carries: the computer's batch size, when it
// batches.
size_t BatchCap(const FileServer* server) {
    return server && server->enumBatch ? server->enumBatch : std::numeric_limits<size_t>::max();
}

size_t SessionChars(const Session& s, DWORD level) {
    switch (level) {
        case 0: return lab::Chars(s.client);
        case 10: return lab::Chars(s.client) + lab::Chars(s.user);
        case 1: return lab::Chars(s.client) + lab::Chars(s.user);
        case 2: return lab::Chars(s.client) + lab::Chars(s.user) + lab::Chars(s.clientType);
        default: return lab::Chars(s.client) + lab::Chars(s.user) + lab::Chars(s.clientType) + lab::Chars(s.transport);
    }
}

size_t SessionRecordSize(DWORD level) {
    switch (level) {
        case 0: return sizeof(SESSION_INFO_0);
        case 1: return sizeof(SESSION_INFO_1);
        case 2: return sizeof(SESSION_INFO_2);
        case 10: return sizeof(SESSION_INFO_10);
        default: return sizeof(SESSION_INFO_502);
    }
}

template <typename T, typename Fill>
NET_API_STATUS HandSessions(const std::vector<const Session*>& items, size_t first, size_t n, DWORD level,
                            const std::wstring& computer, LPBYTE* bufptr, Fill fill) {
    size_t chars = 0;
    for (size_t i = 0; i < n; ++i) chars += SessionChars(*items[first + i], level);
    lab::RecordBuffer<T> out(n, chars);
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    for (size_t i = 0; i < n; ++i) fill(out, out[i], *items[first + i]);
    *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, computer, "NetSessionEnum"));
    return NERR_Success;
}

NET_API_STATUS FillSessions(const std::vector<const Session*>& items, size_t first, size_t n, DWORD level,
                            const std::wstring& computer, LPBYTE* bufptr) {
    switch (level) {
        case 0:
            return HandSessions<SESSION_INFO_0>(items, first, n, level, computer, bufptr, [](auto& out, auto& r, const Session& s) {
                r.sesi0_cname = out.Put(s.client);
            });
        case 1:
            return HandSessions<SESSION_INFO_1>(items, first, n, level, computer, bufptr, [](auto& out, auto& r, const Session& s) {
                r.sesi1_cname = out.Put(s.client);
                r.sesi1_username = out.Put(s.user);
                r.sesi1_num_opens = s.opens;
                r.sesi1_time = s.connectedSeconds;
                r.sesi1_idle_time = s.idleSeconds;
                r.sesi1_user_flags = s.userFlags;
            });
        case 2:
            return HandSessions<SESSION_INFO_2>(items, first, n, level, computer, bufptr, [](auto& out, auto& r, const Session& s) {
                r.sesi2_cname = out.Put(s.client);
                r.sesi2_username = out.Put(s.user);
                r.sesi2_num_opens = s.opens;
                r.sesi2_time = s.connectedSeconds;
                r.sesi2_idle_time = s.idleSeconds;
                r.sesi2_user_flags = s.userFlags;
                r.sesi2_cltype_name = out.Put(s.clientType);
            });
        case 10:
            return HandSessions<SESSION_INFO_10>(items, first, n, level, computer, bufptr, [](auto& out, auto& r, const Session& s) {
                r.sesi10_cname = out.Put(s.client);
                r.sesi10_username = out.Put(s.user);
                r.sesi10_time = s.connectedSeconds;
                r.sesi10_idle_time = s.idleSeconds;
            });
        default:
            return HandSessions<SESSION_INFO_502>(items, first, n, level, computer, bufptr, [](auto& out, auto& r, const Session& s) {
                r.sesi502_cname = out.Put(s.client);
                r.sesi502_username = out.Put(s.user);
                r.sesi502_num_opens = s.opens;
                r.sesi502_time = s.connectedSeconds;
                r.sesi502_idle_time = s.idleSeconds;
                r.sesi502_user_flags = s.userFlags;
                r.sesi502_cltype_name = out.Put(s.clientType);
                r.sesi502_transport = out.Put(s.transport);
            });
    }
}

}  // namespace

NET_API_STATUS WINAPI plat::NetSessionEnum(LMSTR servername, LMSTR UncClientName, LMSTR username, DWORD level,
                                           LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread,
                                           LPDWORD totalentries, LPDWORD resume_handle) {
    if (const DWORD bad = lab::StartNetAnswer(bufptr, entriesread, totalentries)) return bad;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetSessionEnum");
    if (gate.Error()) return gate.Error();
    if (level != 0 && level != 1 && level != 2 && level != 10 && level != 502) return ERROR_INVALID_LEVEL;
    // Levels 0 and 10 are open to everyone; the others to administrators.
    if (level == 1 || level == 2 || level == 502)
        if (const DWORD denied = gate.RequireAdmin()) return denied;

    const FileServer* server = gate.Target().FindSection<FileServer>();
    std::vector<const Session*> items;
    bool clientSeen = false;
    if (server) {
        for (const Session& s : server->sessions) {
            if (UncClientName && *UncClientName) {
                if (!ClientMatches(gate.Net(), s.client, UncClientName)) continue;
                clientSeen = true;
            }
            if (UserMatches(s.user, username)) items.push_back(&s);
        }
    }
    if (UncClientName && *UncClientName && !clientSeen) return NERR_ClientNameNotFound;
    if (username && *username && items.empty()) return NERR_UserNotFound;

    const lab::NetBatch batch = lab::NetBatchAt(items.size(), resume_handle, prefmaxlen, [&](size_t i) {
        return SessionRecordSize(level) + SessionChars(*items[i], level) * sizeof(wchar_t);
    }, BatchCap(server));
    if (!batch.n) return lab::FinishNetBatch(batch, items.size(), entriesread, totalentries, resume_handle);
    if (const NET_API_STATUS rc = FillSessions(items, batch.first, batch.n, level, gate.Target().name, bufptr)) return rc;
    return lab::FinishNetBatch(batch, items.size(), entriesread, totalentries, resume_handle);
}

NET_API_STATUS WINAPI plat::NetSessionDel(LMSTR servername, LMSTR UncClientName, LMSTR username) {
    const bool byClient = UncClientName && *UncClientName;
    const bool byUser = username && *username;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetSessionDel");
    if (gate.Error()) return gate.Error();
    if (!byClient && !byUser) return ERROR_INVALID_PARAMETER;
    if (const DWORD denied = gate.RequireAdmin()) return denied;
    FileServer& server = gate.Target().Section<FileServer>();

    // Without a client name every session of the user ends; without a user
    // name every session of the client.
    std::vector<Session> ended;
    bool clientSeen = false;
    auto keep = server.sessions.begin();
    for (auto it = server.sessions.begin(); it != server.sessions.end(); ++it) {
        const bool client = !byClient || ClientMatches(gate.Net(), it->client, UncClientName);
        clientSeen = clientSeen || client;
        if (client && UserMatches(it->user, username)) {
            ended.push_back(std::move(*it));
        } else {
            if (keep != it) *keep = std::move(*it);
            ++keep;
        }
    }
    server.sessions.erase(keep, server.sessions.end());
    if (ended.empty()) return byClient && !clientSeen ? NERR_ClientNameNotFound : NERR_UserNotFound;

    // A session's files close with it.
    std::erase_if(server.files, [&](const HeldFile& f) {
        for (const Session& s : ended) {
            if (lab::EqualsNoCase(f.user, s.user) && (f.client.empty() || lab::EqualsNoCase(f.client, s.client)))
                return true;
        }
        return false;
    });
    return NERR_Success;
}

NET_API_STATUS WINAPI plat::NetFileEnum(LMSTR servername, LMSTR basepath, LMSTR username, DWORD level,
                                        LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread,
                                        LPDWORD totalentries, PDWORD_PTR resume_handle) {
    if (const DWORD bad = lab::StartNetAnswer(bufptr, entriesread, totalentries)) return bad;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetFileEnum");
    if (gate.Error()) return gate.Error();
    if (level != 2 && level != 3) return ERROR_INVALID_LEVEL;
    if (const DWORD denied = gate.RequireAdmin()) return denied;

    const FileServer* server = gate.Target().FindSection<FileServer>();
    std::vector<const HeldFile*> items;
    if (server) {
        const std::wstring base = basepath ? lab::Upper(basepath) : std::wstring();
        for (const HeldFile& f : server->files) {
            if (!base.empty() && lab::Upper(f.path).compare(0, base.size(), base) != 0) continue;
            if (UserMatches(f.user, username)) items.push_back(&f);
        }
    }
    const lab::NetBatch batch = lab::NetBatchAt(items.size(), resume_handle, prefmaxlen, [&](size_t i) {
        return level == 2 ? sizeof(FILE_INFO_2)
                          : sizeof(FILE_INFO_3) + (lab::Chars(items[i]->path) + lab::Chars(items[i]->user)) * sizeof(wchar_t);
    }, BatchCap(server));
    if (!batch.n) return lab::FinishNetBatch(batch, items.size(), entriesread, totalentries, resume_handle);
    const size_t first = batch.first, n = batch.n;
    const std::wstring& computer = gate.Target().name;
    if (level == 2) {
        lab::RecordBuffer<FILE_INFO_2> out(n, 0);
        if (!out) return ERROR_NOT_ENOUGH_MEMORY;
        for (size_t i = 0; i < n; ++i) out[i].fi2_id = items[first + i]->id;
        *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, computer, "NetFileEnum"));
    } else {
        size_t chars = 0;
        for (size_t i = 0; i < n; ++i) chars += lab::Chars(items[first + i]->path) + lab::Chars(items[first + i]->user);
        lab::RecordBuffer<FILE_INFO_3> out(n, chars);
        if (!out) return ERROR_NOT_ENOUGH_MEMORY;
        for (size_t i = 0; i < n; ++i) {
            const HeldFile& f = *items[first + i];
            out[i].fi3_id = f.id;
            out[i].fi3_permissions = f.permissions;
            out[i].fi3_num_locks = f.locks;
            out[i].fi3_pathname = out.Put(f.path);
            out[i].fi3_username = out.Put(f.user);
        }
        *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, computer, "NetFileEnum"));
    }
    return lab::FinishNetBatch(batch, items.size(), entriesread, totalentries, resume_handle);
}

NET_API_STATUS WINAPI plat::NetFileClose(LMSTR servername, DWORD fileid) {
    lab::Gate gate(servername, lab::Family::NetManagement, "NetFileClose");
    if (gate.Error()) return gate.Error();
    if (const DWORD denied = gate.RequireAdmin()) return denied;
    FileServer& server = gate.Target().Section<FileServer>();
    const size_t before = server.files.size();
    std::erase_if(server.files, [fileid](const HeldFile& f) { return f.id == fileid; });
    return server.files.size() == before ? NERR_FileIdNotFound : NERR_Success;
}

// A file server with `sessions` sessions (replacing the ones it has), for
// benchmarks: clients are named (not addresses), so that listing them needs
// no echo per row.
DWORD LabGenerateSessions(const wchar_t* computer, DWORD sessions, DWORD seed) {
    lab::LockedComputer c(computer, lab::Unnamed::None);
    if (!c) return ERROR_NOT_FOUND;
    FileServer& server = c->Section<FileServer>();
    server.sessions.clear();
    server.sessions.reserve(sessions);
    DWORD x = seed ? seed : 0x9E3779B9u;
    for (DWORD i = 0; i < sessions; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        wchar_t client[16], user[24];
        std::swprintf(client, 16, L"WS%06lu", static_cast<unsigned long>(x % 900000 + 1));
        std::swprintf(user, 24, L"user%05lu", static_cast<unsigned long>(i));
        Session s;
        s.client = client;
        s.user = user;
        s.clientType = L"Windows 10 Enterprise 19045";
        s.transport = kDefaultTransport;
        s.opens = x % 5;
        s.connectedSeconds = x % 200000;
        s.idleSeconds = (x >> 8) % 3600;
        s.userFlags = (x >> 4) % 50 == 0 ? SESS_GUEST : 0;
        server.sessions.push_back(std::move(s));
    }
    return 0;
}
