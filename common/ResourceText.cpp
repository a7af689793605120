#include "common/ResourceText.h"

#include "common/ModuleState.h"

namespace vantrel {

std::wstring LoadText(UINT id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the
    // resource itself (not terminated) and returns its length.
    const int length = ::LoadStringW(module::Instance(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring FormatText(const std::wstring& pattern, std::initializer_list<std::wstring> args) {
    std::wstring out;
    auto next = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == L'%' && i + 1 < pattern.size() && pattern[i + 1] == L's' && next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::wstring LoadResourceString(UINT id, int maxChars) {
    if (maxChars <= 1) return {};
    std::wstring text(static_cast<size_t>(maxChars), L'\0');
    const int length = ::LoadStringW(module::Instance(), id, text.data(), maxChars);
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

std::wstring FormatText(UINT formatId, std::initializer_list<std::wstring_view> insertions) {
    const std::wstring format = LoadText(formatId);
    std::wstring out;
    auto next = insertions.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size()) {
            if (format[i + 1] == L's') {
                if (next != insertions.end()) out.append(*next++);
                ++i;
                continue;
            }
            if (format[i + 1] == L'%') {
                out += L'%';
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

}  // namespace vantrel
