#pragma once
// The console's service batch: services picked on the Services tabs of
// several computers, shown as a list of computer and service, and run with
// one IMultiServiceControl call (Start, Stop, Pause, Resume or Restart).
// The list is the console's own; the module's batch is rebuilt from it for
// each call, so that a row removed from the list is not controlled.
#include <windows.h>

#include "Vantrel_h.h"

#include <string>
#include <vector>

namespace console {

struct BatchEntry {
    std::wstring computer;     // as the console connected to it ("ADMIN01" or "\\ADMIN01")
    std::wstring service;      // key name
    std::wstring displayName;  // what the Services tab showed
};

class ServiceBatchList {
public:
    // Appends the entry unless the same service of the same computer is
    // listed already (computer names compare without their leading
    // backslashes and ignoring case, service names ignoring case).
    bool Add(BatchEntry entry);
    void Remove(size_t index);
    void Clear() { entries_.clear(); }
    const std::vector<BatchEntry>& Entries() const { return entries_; }
    size_t ComputerCount() const;
    // "3 services on 2 computers", or what to do when the batch is empty.
    std::wstring Summary() const;

    // Empties the module's batch, adds every entry in order and runs
    // `command` (ServiceControlEnum) over it, waiting for each computer's
    // job when `synchronous`. The first failure is returned.
    HRESULT Run(IMultiServiceControl& control, HWND owner, long command, bool synchronous) const;

private:
    std::vector<BatchEntry> entries_;
};

// The batch window's command buttons and what each one runs.
struct BatchCommand {
    int buttonId;
    long command;        // ServiceControlEnum
    const wchar_t* verb;  // "Restart", for the console's output
};
const std::vector<BatchCommand>& BatchCommands();
const BatchCommand* FindBatchCommand(const std::wstring& verb);

// The line the batch window shows after a run of `verb` over `batch`.
std::wstring RunOutcomeText(const wchar_t* verb, const ServiceBatchList& batch, bool synchronous, HRESULT result);

// The key name of the service that `displayName` names on `computer`, from
// the computer's service control manager; the platform error as an HRESULT
// when it cannot be read.
HRESULT ServiceKeyName(const std::wstring& computer, const std::wstring& displayName, std::wstring& keyName);

}  // namespace console
