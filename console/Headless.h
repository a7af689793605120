#pragma once
// The console without a person: for each computer and view, refresh the view,
// wait until its enumeration has ended, then write what it shows as TSV and
// a PNG of the console window, and print a text rendering.
#include <cstdio>
#include <string>
#include <vector>

namespace console {

struct HeadlessOptions {
    std::vector<std::wstring> computers;  // empty: every computer of the lab network
    std::vector<std::wstring> views;      // empty: every view the module builds
    std::wstring credentialsPath;         // empty: the computer's name
    long recallOptions = 0;
    std::wstring outputFolder;
    unsigned timeoutSeconds = 120;
};

// Returns the process exit code: 0 when every view was written, 1 otherwise.
int RunHeadless(const HeadlessOptions& options, std::FILE* out);

// Text rendering of rows under their column titles, columns padded.
std::wstring RenderTable(const std::vector<std::wstring>& columns, const std::vector<std::vector<std::wstring>>& rows);

}  // namespace console
