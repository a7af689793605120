#include "companions/commonui/ProgressTexts.h"

#include <cwchar>

namespace vantrel::commonui {

std::wstring StepsText(long done, long steps) {
    if (steps <= 0) return {};
    wchar_t text[64];
    std::swprintf(text, 64, L"%ld of %ld done", done, steps);
    return text;
}

std::wstring ElapsedText(DWORD elapsedMs) {
    const DWORD seconds = elapsedMs / 1000;
    wchar_t text[64];
    std::swprintf(text, 64, L"Elapsed time: %lu:%02lu:%02lu", static_cast<unsigned long>(seconds / 3600),
                  static_cast<unsigned long>(seconds / 60 % 60), static_cast<unsigned long>(seconds % 60));
    return text;
}

int BarPosition(long done, long steps) noexcept {
    if (steps <= 0 || done <= 0) return 0;
    if (done >= steps) return 1000;
    return static_cast<int>(static_cast<long long>(done) * 1000 / steps);
}

}  // namespace vantrel::commonui
