#pragma once
// The jobs of the Manage Registry Entries Wizard: the query (phase 1) checks
// a computer's registry against the entries or the registry file and writes
// the computer's result file; the modify job (phase 2) writes what was asked
// for. Both work through the registry component, created on the job's own
// thread.
#include "Companions_h.h"
#include "common/ComPtr.h"
#include "wizards/ComputerJob.h"
#include "wizards/registry/RegistryReport.h"

#include <string>
#include <vector>

namespace vantrel {

constexpr LONG kRegistryModeEntries = 0;
constexpr LONG kRegistryModeFile = 1;

class RegistryJob : public ComputerJob {
public:
    LONG mode = kRegistryModeEntries;
    std::wstring regFile;
    std::vector<RegistryEntry> entries;
    BYTE compliant = 1;

protected:
    // The common start: the computer's name, its credentials, the machine
    // path and the component. False with `status` set when it cannot start.
    bool Begin(std::wstring& machine, ComPtr<IRegistryComponent>& component);
};

class RegistryQueryJob final : public RegistryJob {
public:
    HRESULT Execute() override;

private:
    void Query();
};

class RegistryModifyJob final : public RegistryJob {
public:
    HRESULT Execute() override;

private:
    void Modify();
};

// Where a computer's result file lives: the temporary directory, the name
// and ".txt".
HRESULT ResultFilePath(const std::wstring& computer, std::wstring& path);

// The data an entry is tested or written with: VT_EMPTY unless its data is
// tested; `text` keeps a string alive while the variant is used.
VARIANT EntryData(const RegistryEntry& entry, UniqueBstr& text);

}  // namespace vantrel
