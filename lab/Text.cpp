#include "lab/Text.h"

#include <cwchar>

namespace lab {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Upper(std::wstring_view text) {
    std::wstring out(text);
    if (!out.empty()) ::CharUpperBuffW(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

std::wstring Lower(std::wstring_view text) {
    std::wstring out(text);
    if (!out.empty()) ::CharLowerBuffW(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
               CSTR_EQUAL;
}

DWORD CopyOut(std::wstring_view text, wchar_t* buffer, DWORD chars) {
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (buffer && chars >= needed) {
        std::wmemcpy(buffer, text.data(), text.size());
        buffer[text.size()] = L'\0';
    }
    return needed;
}

std::wstring_view StripBackslashes(std::wstring_view name) {
    if (name.size() >= 2 && name[0] == L'\\' && name[1] == L'\\') name.remove_prefix(2);
    return name;
}

}  // namespace lab
