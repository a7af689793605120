#pragma once
// What the "Service Control" progress dialog shows for each report of a wait:
// kept apart from the window so that the rules can be checked without one.
#include "services/ServiceRef.h"

#include <string>

namespace vantrel {

enum class ServiceControlOperation { None = 0, Start = 1, Stop = 2, Pause = 3, Resume = 4, Restart = 5 };

// Summary line id shown after a run with failures (0 for None).
UINT SummaryTextId(ServiceControlOperation operation) noexcept;

struct ProgressTexts {
    bool refresh = false;    // reset the bar and show the two texts below
    std::wstring message;    // control 211: "Attempting to <verb> the following service on <computer>."
    std::wstring service;    // control 207: the display name
    bool fill = false;       // the target was reached: fill the bar
};

class ServiceProgressTexts {
public:
    explicit ServiceProgressTexts(ServiceControlOperation operation) : operation_(operation) {}

    // A successful report (waiting, or the target reached).
    ProgressTexts OnProgress(const std::wstring& displayName, const std::wstring& computer, DWORD target,
                             BOOL completed);

    // The text after the error text of a failed wait; the computer name
    // keeps its backslashes here.
    static std::wstring FailureText(const std::wstring& displayName, const std::wstring& computer, HRESULT result,
                                    const SERVICE_STATUS_PROCESS& status);

    UINT LastVerb() const noexcept { return lastVerb_; }

private:
    ServiceControlOperation operation_;
    std::wstring lastDisplayName_;
    std::wstring lastComputer_;
    UINT lastVerb_ = 142;  // "stop" until something is shown
    bool first_ = true;
};

}  // namespace vantrel
