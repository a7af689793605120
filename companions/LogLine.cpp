#include "companions/LogLine.h"

#include <cstdio>

namespace vantrel::companions {
namespace {

bool IsLineBreak(wchar_t c) { return c == L'\r' || c == L'\n' || c == 0x0085 || c == 0x2028 || c == 0x2029; }

std::wstring OneLine(const wchar_t* text, size_t length) {
    std::wstring line;
    line.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        const wchar_t c = text[i];
        if (IsLineBreak(c)) {
            line += L" | ";
            if (c == L'\r' && i + 1 < length && text[i + 1] == L'\n') ++i;
        } else if ((c < 0x20 && c != L'\t') || c == 0x7F) {
            line += L' ';
        } else {
            line += c;
        }
    }
    return line;
}

}  // namespace

std::string FormatLogLine(const SYSTEMTIME& time, long kind, const wchar_t* text, size_t length) {
    char stamp[64];
    const int stampLength = std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u %ld ", time.wYear,
                                          time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                                          time.wMilliseconds, kind);
    std::string line(stamp, stampLength > 0 ? static_cast<size_t>(stampLength) : 0);
    const std::wstring body = OneLine(text ? text : L"", text ? length : 0);
    if (!body.empty()) {
        // Unpaired surrogates become U+FFFD rather than failing the message.
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, body.data(), static_cast<int>(body.size()), nullptr, 0,
                                               nullptr, nullptr);
        if (size > 0) {
            const size_t start = line.size();
            line.resize(start + static_cast<size_t>(size));
            ::WideCharToMultiByte(CP_UTF8, 0, body.data(), static_cast<int>(body.size()), line.data() + start, size,
                                  nullptr, nullptr);
        }
    }
    line += "\r\n";
    return line;
}

}  // namespace vantrel::companions
