#pragma once
// What the console's headless wizard walks share: waiting, answering the
// wizard's message boxes, pictures of the pages and the closing report.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace console {

HWND CurrentPage(HWND sheet);
// Polls `condition` every 50 ms for at most `seconds`.
bool WaitFor(unsigned seconds, const std::function<bool()>& condition);

struct Walk {
    std::vector<std::wstring> pictures;
    std::vector<std::wstring> messages;
    std::wstring summary;
    bool completed = false;
    std::wstring failure;
};

// Answers (OK) the open boxes with one of `titles`, noting their text.
void AnswerBoxes(HWND sheet, Walk& walk, const std::vector<const wchar_t*>& titles);
// Saves a picture of the sheet to `path` and notes it.
void Save(HWND sheet, const std::wstring& path, Walk& walk);
// The page's read-only multi-line box (the completion page's summary), or null.
HWND SummaryBox(HWND page);

// Prints the pictures and messages, writes FOLDER\wizard-NAME-summary.txt and
// prints the summary; 0 when the walk reached the completion page.
int ReportWalk(const Walk& walk, const wchar_t* title, const std::wstring& folder, const wchar_t* name, HRESULT hr,
               std::FILE* out);

}  // namespace console
