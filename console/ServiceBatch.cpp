#include "console/ServiceBatch.h"

#include "common/ErrorText.h"
#include "common/Handles.h"
#include "common/PlatHandles.h"
#include "common/Result.h"
#include "console/ConsoleIds.h"

#include <algorithm>
#include <cwchar>

namespace console {

namespace {

std::wstring_view WithoutBackslashes(const std::wstring& computer) {
    std::wstring_view name(computer);
    while (!name.empty() && name.front() == L'\\') name.remove_prefix(1);
    return name;
}

bool SameText(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
               CSTR_EQUAL;
}

std::wstring Counted(size_t n, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(n) + L" " + (n == 1 ? one : many);
}

}  // namespace

bool ServiceBatchList::Add(BatchEntry entry) {
    const bool listed = std::any_of(entries_.begin(), entries_.end(), [&](const BatchEntry& e) {
        return SameText(WithoutBackslashes(e.computer), WithoutBackslashes(entry.computer)) &&
               SameText(e.service, entry.service);
    });
    if (listed || entry.computer.empty() || entry.service.empty()) return false;
    entries_.push_back(std::move(entry));
    return true;
}

void ServiceBatchList::Remove(size_t index) {
    if (index < entries_.size()) entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
}

size_t ServiceBatchList::ComputerCount() const {
    size_t count = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const auto first = std::find_if(entries_.begin(), entries_.end(), [&](const BatchEntry& e) {
            return SameText(WithoutBackslashes(e.computer), WithoutBackslashes(entries_[i].computer));
        });
        if (first == entries_.begin() + static_cast<std::ptrdiff_t>(i)) ++count;
    }
    return count;
}

std::wstring ServiceBatchList::Summary() const {
    if (entries_.empty())
        return L"The batch is empty. Select services on the Services tab and choose Add Selected Services to Batch "
               L"(Ctrl+B).";
    return Counted(entries_.size(), L"service", L"services") + L" on " +
           Counted(ComputerCount(), L"computer", L"computers");
}

HRESULT ServiceBatchList::Run(IMultiServiceControl& control, HWND owner, long command, bool synchronous) const {
    RETURN_IF_FAILED(control.Clear());
    for (const BatchEntry& entry : entries_) {
        vantrel::UniqueBstr computer(::SysAllocString(entry.computer.c_str()));
        vantrel::UniqueBstr service(::SysAllocString(entry.service.c_str()));
        RETURN_HR_IF(E_OUTOFMEMORY, !computer || !service);
        RETURN_IF_FAILED(control.AddService(computer.Get(), service.Get()));
    }
    return control.Control(static_cast<long>(reinterpret_cast<LONG_PTR>(owner)), command,
                           synchronous ? SCF_SYNCHRONOUS : SCF_ASYNCHRONOUS);
}

const std::vector<BatchCommand>& BatchCommands() {
    static const std::vector<BatchCommand> commands = {
        {IDC_BATCH_START, SCMD_START, L"Start"},       {IDC_BATCH_STOP, SCMD_STOP, L"Stop"},
        {IDC_BATCH_PAUSE, SCMD_PAUSE, L"Pause"},       {IDC_BATCH_RESUME, SCMD_CONTINUE, L"Resume"},
        {IDC_BATCH_RESTART, SCMD_RESTART, L"Restart"},
    };
    return commands;
}

const BatchCommand* FindBatchCommand(const std::wstring& verb) {
    for (const BatchCommand& c : BatchCommands()) {
        if (SameText(c.verb, verb)) return &c;
    }
    return nullptr;
}

std::wstring RunOutcomeText(const wchar_t* verb, const ServiceBatchList& batch, bool synchronous, HRESULT result) {
    if (FAILED(result))
        return std::wstring(verb) + L" was not completed: " + vantrel::ErrorTextLine(static_cast<DWORD>(result));
    std::wstring text = std::wstring(verb) + (synchronous ? L" done for " : L" started for ") + batch.Summary();
    return text + (synchronous ? L"." : L"; each computer's progress dialog follows it.");
}

HRESULT ServiceKeyName(const std::wstring& computer, const std::wstring& displayName, std::wstring& keyName) {
    keyName.clear();
    vantrel::Unique<vantrel::ScHandleTraits> scm(plat::OpenSCManagerW(computer.c_str(), nullptr, SC_MANAGER_CONNECT));
    RETURN_LAST_ERROR_IF(!scm);
    DWORD chars = 0;
    if (!plat::GetServiceKeyNameW(scm.Get(), displayName.c_str(), nullptr, &chars)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) RETURN_WIN32(error);
    }
    std::wstring name(static_cast<size_t>(chars) + 1, L'\0');
    DWORD size = static_cast<DWORD>(name.size());
    RETURN_LAST_ERROR_IF(!plat::GetServiceKeyNameW(scm.Get(), displayName.c_str(), name.data(), &size));
    name.resize(size);
    keyName = std::move(name);
    return S_OK;
}

}  // namespace console
