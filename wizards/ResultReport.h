#pragma once
// What a multiple-computer run reports: one line per job, and the summary
// the completion page shows.
#include "wizards/ComputerJob.h"

#include <string>
#include <vector>

namespace vantrel {

// A job's result line. `executed` is false for a job still queued when its
// manager ended ("not executed").
std::wstring ResultLine(const ComputerJob& job, bool executed);

// The platform's text of `code` up to its last carriage return; empty when
// there is none.
std::wstring ResultCodeText(HRESULT code);

// The completion page's text: each page's non-empty paragraph followed by
// "\r\n", then "Results of operation:" and one "\r\n\t"-led line per result
// when there is any.
std::wstring ComposeSummary(const std::vector<std::wstring>& pageTexts, const std::vector<std::wstring>& lines);

}  // namespace vantrel
