#include "views/RowText.h"

#include <cstdio>
#include <cwchar>

namespace vantrel {

std::wstring DurationText(DWORD seconds, const std::wstring& days) {
    const unsigned d = seconds / 86400;
    const unsigned h = (seconds % 86400) / 3600;
    const unsigned m = (seconds % 3600) / 60;
    const unsigned s = seconds % 60;
    wchar_t text[32];
    if (d == 0) std::swprintf(text, 32, L"%02u:%02u:%02u", h, m, s);
    else std::swprintf(text, 32, L"%u %ls %02u:%02u:%02u", d, days.c_str(), h, m, s);
    text[31] = L'\0';
    return text;
}

const std::wstring& GuestText(DWORD userFlags, const std::wstring& yes, const std::wstring& no) {
    return userFlags == 1 ? yes : no;
}

std::wstring OpenModeText(DWORD permissions, const std::wstring& write, const std::wstring& read,
                          const std::wstring& create) {
    std::wstring text;
    auto add = [&text](const std::wstring& part) {
        if (!text.empty()) text += L'+';
        text += part;
    };
    if (permissions & 0x2) add(write);
    if (permissions & 0x1) add(read);
    if (permissions & 0x4) add(create);
    return text;
}

bool ParseClientAddress(const wchar_t* client, DWORD* address) {
    if (!client || !address) return false;
    int dots = 0;
    for (const wchar_t* c = client; *c; ++c) {
        if (*c == L'.') ++dots;
        else if (*c < L'0' || *c > L'9') return false;
    }
    if (dots != 3) return false;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (std::swscanf(client, L"%u.%u.%u.%u", &a, &b, &c, &d) != 4) return false;
    *address = (a << 24) | ((b & 0xFF) << 16) | ((c & 0xFF) << 8) | (d & 0xFF);
    return true;
}

}  // namespace vantrel
