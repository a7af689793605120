#include "console/WizardWalk.h"

#include "common/Dialog.h"
#include "console/Png.h"
#include "console/WindowSearch.h"

#include <prsht.h>

namespace console {

HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

bool WaitFor(unsigned seconds, const std::function<bool()>& condition) {
    const ULONGLONG end = ::GetTickCount64() + seconds * 1000ull;
    while (!condition()) {
        if (::GetTickCount64() >= end) return false;
        ::Sleep(50);
    }
    return true;
}

void AnswerBoxes(HWND sheet, Walk& walk, const std::vector<const wchar_t*>& titles) {
    for (const wchar_t* title : titles) {
        HWND box = FindWindowTitled(title);
        if (!box || box == sheet) continue;
        wchar_t text[2048] = L"";
        ::GetDlgItemTextW(box, 0xFFFF, text, 2048);
        walk.messages.push_back(std::wstring(title) + L": " + text);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
}

void Save(HWND sheet, const std::wstring& path, Walk& walk) {
    ::RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    ::Sleep(300);
    if (SaveWindowImage(sheet, path)) walk.pictures.push_back(path);
}

HWND SummaryBox(HWND page) {
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[16] = L"";
        ::GetClassNameW(child, kind, 16);
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(kind, L"Edit") == 0 && (style & ES_MULTILINE) && (style & ES_READONLY)) return child;
    }
    return nullptr;
}

int ReportWalk(const Walk& walk, const wchar_t* title, const std::wstring& folder, const wchar_t* name, HRESULT hr,
               std::FILE* out) {
    for (const std::wstring& path : walk.pictures) std::fwprintf(out, L"%ls\n", path.c_str());
    for (const std::wstring& message : walk.messages) std::fwprintf(out, L"message: %ls\n", message.c_str());
    if (!walk.completed) {
        std::fwprintf(stderr, L"vantrel-console: %ls: %ls (0x%08lX)\n", title, walk.failure.c_str(),
                      static_cast<unsigned long>(hr));
        return 1;
    }
    const std::wstring summaryPath = folder + L"\\wizard-" + name + L"-summary.txt";
    if (FILE* file = _wfopen(summaryPath.c_str(), L"wb")) {
        const unsigned char bom[] = {0xFF, 0xFE};
        std::fwrite(bom, 1, 2, file);
        std::fwrite(walk.summary.data(), sizeof(wchar_t), walk.summary.size(), file);
        std::fclose(file);
        std::fwprintf(out, L"%ls\n", summaryPath.c_str());
    }
    std::fwprintf(out, L"Summary of the %ls:\n%ls\n", title, walk.summary.c_str());
    return 0;
}

}  // namespace console
