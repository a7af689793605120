#pragma once
// A text report of what the module offers, for scripts and the demo: the
// registered classes, the lab network and how errors read.
#include <cstdio>

namespace console {

// Writes the report to `out`; returns the number of checks that failed.
int WriteModuleReport(std::FILE* out);

}  // namespace console
