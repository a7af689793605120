#include "wizards/ResultReport.h"

#include "common/ErrorText.h"

#include <cwchar>

namespace vantrel {
namespace {

// Result lines are formatted into 4096 characters, at most 4095 written.
constexpr size_t kLineCapacity = 4096;

const wchar_t* TextOf(const UniqueBstr& text, const wchar_t* empty) {
    return text.Get() && *text.Get() ? text.Get() : empty;
}

}  // namespace

std::wstring ResultCodeText(HRESULT code) {
    UniqueBstr text;
    if (FormatErrorText(static_cast<DWORD>(code), text.Put(), false) != 0 || !text) return {};
    std::wstring result(text.Get(), ::SysStringLen(text.Get()));
    const size_t cr = result.rfind(L'\r');
    if (cr != std::wstring::npos) result.resize(cr);
    return result;
}

std::wstring ResultLine(const ComputerJob& job, bool executed) {
    std::wstring line = TextOf(job.computerName, L"unknown computer");
    const wchar_t* text = TextOf(job.message, L"");
    if (!executed) {
        line += L" not executed: ";
        line += text;
    } else if (job.status == S_OK) {
        line += job.hadOmissions == 1 ? L" had omissions: " : L" succeeded: ";
        line += text;
    } else if (job.status == S_FALSE) {
        line += L" cancelled: ";
        line += text;
    } else {
        wchar_t code[16];
        std::swprintf(code, 16, L"0x%08X", static_cast<unsigned>(job.status));
        line += L" failed: ";
        line += text;
        line += L", [";
        line += code;
        line += L"] ";
        line += ResultCodeText(job.status);
    }
    // What does not fit the line buffer is cut off.
    if (line.size() > kLineCapacity - 1) line.resize(kLineCapacity - 1);
    return line;
}

std::wstring ComposeSummary(const std::vector<std::wstring>& pageTexts, const std::vector<std::wstring>& lines) {
    std::wstring summary;
    for (const std::wstring& text : pageTexts) {
        if (text.empty()) continue;
        summary += text;
        summary += L"\r\n";
    }
    if (!lines.empty()) {
        summary += L"Results of operation:";
        for (const std::wstring& line : lines) {
            summary += L"\r\n\t";
            summary += line;
        }
    }
    return summary;
}

}  // namespace vantrel
