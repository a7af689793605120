// The spooler of each computer: its printers, answered at level 2 through the
// size-query protocol (EnumPrintersW).
#include "platform/Printing.h"

#include "lab/Gate.h"
#include "lab/Protocol.h"
#include "lab/Schema.h"
#include "lab/Sections.h"
#include "lab/Text.h"

#include <cstring>
#include <vector>

namespace {

struct Printer {
    std::wstring name;
    std::wstring share;
    std::wstring port;
    std::wstring driver;
    std::wstring comment;
    std::wstring location;
    DWORD status = 0;  // PRINTER_STATUS_* bits
    DWORD jobs = 0;
    bool shared = false;
};

struct Spooler {
    std::vector<Printer> printers;
};

void ReadPrinter(const lab::json::Value& value, const std::string& path, Printer& p, lab::Diagnostics& diag) {
    lab::ObjectReader r(value, path, diag);
    r.String("name", p.name, lab::Need::Required);
    r.String("share", p.share);
    r.String("port", p.port);
    r.String("driver", p.driver);
    r.String("comment", p.comment);
    r.String("location", p.location);
    r.Number("status", p.status);
    r.Number("jobs", p.jobs);
    r.Bool("shared", p.shared);
    r.Finish();
}

void ParsePrinters(const lab::json::Value* value, const std::string& path, lab::Computer& computer,
                   lab::Diagnostics& diag) {
    if (!value || !lab::ExpectType(*value, lab::json::Type::Array, path, diag)) return;
    Spooler& spooler = computer.Section<Spooler>();
    for (size_t i = 0; i < value->items.size() && diag.Ok(); ++i) {
        Printer p;
        ReadPrinter(value->items[i], lab::ItemPath(path, i), p, diag);
        spooler.printers.push_back(std::move(p));
    }
}

const lab::SectionRegistration printersSection{lab::ComputerSectionHandler{"printers", &ParsePrinters, nullptr}};

// A remote caller sees "\\SERVER\name"; the local spooler answers the bare name.
std::wstring FullName(const lab::Computer& c, bool remote, const Printer& p) {
    return remote ? L"\\\\" + c.name + L"\\" + p.name : p.name;
}

size_t Chars(const std::wstring& s) { return s.size() + 1; }

size_t RecordBytes(const lab::Computer& c, bool remote, const Printer& p) {
    const size_t chars = (remote ? Chars(L"\\\\" + c.name) : 1) + Chars(FullName(c, remote, p)) + Chars(p.share) +
                         Chars(p.port) + Chars(p.driver) + Chars(p.comment) + Chars(p.location);
    return sizeof(PRINTER_INFO_2W) + chars * sizeof(wchar_t);
}

// Strings go from the end of the buffer downwards, as the spooler lays them out.
wchar_t* PutBack(unsigned char*& end, const std::wstring& s) {
    end -= Chars(s) * sizeof(wchar_t);
    std::memcpy(end, s.c_str(), Chars(s) * sizeof(wchar_t));
    return reinterpret_cast<wchar_t*>(end);
}

}  // namespace

BOOL WINAPI plat::EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                                LPDWORD pcbNeeded, LPDWORD pcReturned) {
    if (!pcbNeeded || !pcReturned) return lab::Fail(RPC_X_NULL_REF_POINTER);
    *pcReturned = 0;
    if (Level != 2) return lab::Fail(ERROR_INVALID_LEVEL);
    const bool remote = (Flags & PRINTER_ENUM_NAME) && Name && *Name;
    lab::Gate gate(remote ? Name : nullptr, lab::Family::Printing, "EnumPrintersW");
    if (gate.Error()) return lab::Fail(gate.Error());
    const lab::Computer& c = gate.Target();
    const Spooler* spooler = c.FindSection<Spooler>();
    const std::vector<Printer> none;
    const std::vector<Printer>& printers = spooler ? spooler->printers : none;
    DWORD needed = 0;
    for (const Printer& p : printers) needed += static_cast<DWORD>(RecordBytes(c, remote, p));
    if (!lab::SizeQuery(pPrinterEnum, cbBuf, needed, pcbNeeded)) {
        return printers.empty() ? TRUE : lab::Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    auto* records = reinterpret_cast<PRINTER_INFO_2W*>(pPrinterEnum);
    unsigned char* end = pPrinterEnum + needed;
    for (size_t i = 0; i < printers.size(); ++i) {
        const Printer& p = printers[i];
        PRINTER_INFO_2W& r = records[i];
        r = PRINTER_INFO_2W{};
        r.pServerName = remote ? PutBack(end, L"\\\\" + c.name) : nullptr;
        r.pPrinterName = PutBack(end, FullName(c, remote, p));
        r.pShareName = PutBack(end, p.share);
        r.pPortName = PutBack(end, p.port);
        r.pDriverName = PutBack(end, p.driver);
        r.pComment = PutBack(end, p.comment);
        r.pLocation = PutBack(end, p.location);
        if (!remote) end -= sizeof(wchar_t);  // the local record keeps the server slot's room
        r.Attributes = (p.shared ? PRINTER_ATTRIBUTE_SHARED : 0) |
                       (remote ? PRINTER_ATTRIBUTE_NETWORK : PRINTER_ATTRIBUTE_LOCAL);
        r.Status = p.status;
        r.cJobs = p.jobs;
    }
    *pcReturned = static_cast<DWORD>(printers.size());
    return TRUE;
}
