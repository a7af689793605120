#include "services/ServiceProgressTexts.h"

#include "common/ResourceText.h"
#include "resources/ServicesIds.h"

#include <cwchar>

namespace vantrel {

UINT SummaryTextId(ServiceControlOperation operation) noexcept {
    switch (operation) {
        case ServiceControlOperation::Start: return IDS_SUMMARY_START;
        case ServiceControlOperation::Stop: return IDS_SUMMARY_STOP;
        case ServiceControlOperation::Pause: return IDS_SUMMARY_PAUSE;
        case ServiceControlOperation::Resume: return IDS_SUMMARY_RESUME;
        case ServiceControlOperation::Restart: return IDS_SUMMARY_RESTART;
        default: return 0;
    }
}

namespace {

UINT VerbFor(ServiceControlOperation operation, DWORD target) {
    switch (operation) {
        case ServiceControlOperation::Start: return IDS_VERB_START;
        case ServiceControlOperation::Pause: return IDS_VERB_PAUSE;
        case ServiceControlOperation::Resume: return IDS_VERB_RESUME;
        case ServiceControlOperation::Restart: return target == SERVICE_RUNNING ? IDS_VERB_START : IDS_VERB_STOP;
        default: return IDS_VERB_STOP;
    }
}

bool SameText(const std::wstring& a, const std::wstring& b) { return ::_wcsicmp(a.c_str(), b.c_str()) == 0; }

}  // namespace

ProgressTexts ServiceProgressTexts::OnProgress(const std::wstring& displayName, const std::wstring& computer,
                                               DWORD target, BOOL completed) {
    ProgressTexts out;
    const bool changed = first_ || !SameText(displayName, lastDisplayName_) || !SameText(computer, lastComputer_);
    if (changed) {
        lastDisplayName_ = displayName;
        lastComputer_ = computer;
        first_ = false;
    }
    // A restart shows its start phase even for the same service.
    if (changed || (operation_ == ServiceControlOperation::Restart && target == SERVICE_RUNNING)) {
        size_t skip = 0;
        while (skip < computer.size() && computer[skip] == L'\\') ++skip;
        lastVerb_ = VerbFor(operation_, target);
        out.refresh = true;
        out.message = FormatText(LoadText(IDS_ATTEMPTING), {LoadText(lastVerb_), computer.substr(skip)});
        out.service = displayName;
    }
    out.fill = completed != FALSE;
    return out;
}

std::wstring ServiceProgressTexts::FailureText(const std::wstring& displayName, const std::wstring& computer,
                                               HRESULT result, const SERVICE_STATUS_PROCESS& status) {
    const std::wstring onComputer = displayName + LoadText(IDS_FAILED_ON_COMPUTER) + computer;
    if ((static_cast<DWORD>(result) & 0xFFFF) == ERROR_SERVICE_SPECIFIC_ERROR) {
        return LoadText(IDS_FAILED_SERVICE_PREFIX) + onComputer + LoadText(IDS_FAILED_RETURN_CODE) +
               std::to_wstring(status.dwServiceSpecificExitCode);
    }
    return onComputer + L".";
}

}  // namespace vantrel
