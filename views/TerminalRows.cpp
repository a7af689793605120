#include "views/TerminalRows.h"

#include "common/ResourceText.h"
#include "resources/ImageIndex.h"
#include "resources/ResourceViewsIds.h"

#include <cstdio>
#include <cwchar>

namespace vantrel {

namespace {
constexpr int kRowTextChars = 32;
}

TerminalTexts LoadTerminalTexts() {
    TerminalTexts texts;
    for (size_t i = 0; i < texts.states.size(); ++i)
        texts.states[i] = LoadResourceString(IDS_TS_STATE_FIRST + static_cast<UINT>(i), kRowTextChars);
    for (size_t i = 0; i < texts.protocols.size(); ++i)
        texts.protocols[i] = LoadResourceString(IDS_TS_PROTOCOL_FIRST + static_cast<UINT>(i), kRowTextChars);
    return texts;
}

const std::wstring& StateName(const TerminalTexts& texts, DWORD state) noexcept {
    return texts.states[state < texts.states.size() - 1 ? state : texts.states.size() - 1];
}

const std::wstring& ProtocolName(const TerminalTexts& texts, USHORT protocol) noexcept {
    return texts.protocols[protocol < texts.protocols.size() - 1 ? protocol : texts.protocols.size() - 1];
}

std::wstring SessionLabel(const wchar_t* windowStation, const std::wstring& stateName) {
    return windowStation && *windowStation ? std::wstring(windowStation) : stateName;
}

std::wstring SessionUserText(const wchar_t* domain, const wchar_t* user) {
    const std::wstring name = user ? user : L"";
    if (domain && *domain) return std::wstring(domain) + L"\\" + name;
    return name;
}

int SessionImage(DWORD sessionId) noexcept {
    return sessionId == kConsoleSessionId ? IMAGE_CONSOLE_SESSION : IMAGE_TERMINAL_SESSION;
}

DWORD SessionIdOfText(const std::wstring& text) noexcept {
    return static_cast<DWORD>(std::wcstol(text.c_str(), nullptr, 10));
}

SessionMenuGreying GreyedSessionCommands(std::span<const DWORD> selectedIds) noexcept {
    SessionMenuGreying greyed;
    for (const DWORD id : selectedIds) {
        if (id == kConsoleSessionId) greyed.close = greyed.reset = true;
        if (id == kListenerSessionId) greyed.close = greyed.send = true;
    }
    return greyed;
}

std::wstring MessageTitle(const std::wstring& prefix, const SYSTEMTIME& now) {
    wchar_t stamp[32];
    std::swprintf(stamp, 32, L"%02u/%02u/%02u %02u:%02u:%02u", now.wMonth, now.wDay, now.wYear % 100u, now.wHour,
                  now.wMinute, now.wSecond);
    return prefix + stamp;
}

}  // namespace vantrel
