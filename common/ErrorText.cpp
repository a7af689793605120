#include "common/ErrorText.h"

#include "common/Handles.h"
#include "common/ModuleLibrary.h"

#include <cstdio>
#include <cwchar>

namespace vantrel {
namespace {

constexpr DWORD kFromModule = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_HMODULE;
constexpr DWORD kFromSystem = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
constexpr DWORD kNeutralLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

DWORD FormatInto(DWORD flags, HMODULE module, DWORD code, UniqueLocal& buffer, DWORD& length) {
    wchar_t* text = nullptr;
    length = ::FormatMessageW(flags, module, code, kNeutralLanguage, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0) return ::GetLastError();
    buffer.Reset(text);
    return 0;
}

}  // namespace

MessageTable MessageTableFor(DWORD code) noexcept {
    const DWORD facility = (code >> 16) & 0x1FFF;
    const DWORD low = code & 0xFFFF;
    switch (facility) {
    case 0:
        return (code & 0xF000) == 0x5000 ? MessageTable::ActiveDs : MessageTable::System;
    case FACILITY_ITF:
        return MessageTable::None;
    case 7:   // FACILITY_WIN32
    case 8:   // FACILITY_WINDOWS
    case 24:  // FACILITY_WINDOWS_CE
        // Network-management messages occupy 2101..2998 (NERR_BASE + 1 ...).
        return (low >= 2101 && low <= 2998) ? MessageTable::NetMsg : MessageTable::System;
    default:
        return MessageTable::System;
    }
}

const wchar_t* MessageTableModule(MessageTable table) noexcept {
    switch (table) {
    case MessageTable::NetMsg: return L"netmsg.dll";
    case MessageTable::ActiveDs: return L"ActiveDS.dll";
    default: return nullptr;
    }
}

DWORD FormatErrorText(DWORD code, BSTR* text, bool cutAtLineBreak) {
    if (!text) return static_cast<DWORD>(E_POINTER);
    const MessageTable table = MessageTableFor(code);
    if (table == MessageTable::None) return ERROR_RESOURCE_DATA_NOT_FOUND;

    // A table module that cannot be loaded leaves the system's table.
    ModuleLibrary library;
    const wchar_t* moduleName = MessageTableModule(table);
    const bool fromModule = moduleName && library.Load(moduleName) == 0;

    UniqueLocal buffer;
    DWORD length = 0;
    DWORD error = fromModule ? FormatInto(kFromModule, library.Handle(), code, buffer, length)
                             : FormatInto(kFromSystem, nullptr, code, buffer, length);
    if (error == ERROR_MR_MID_NOT_FOUND && fromModule) {
        error = FormatInto(kFromSystem, nullptr, code, buffer, length);
        if (error != 0) error = ERROR_MR_MID_NOT_FOUND;
    }
    if (error != 0 || !buffer) return error;

    const auto* chars = static_cast<const wchar_t*>(buffer.Get());
    if (cutAtLineBreak) {
        const wchar_t* cr = std::wmemchr(chars, L'\r', length);
        if (cr) length = static_cast<DWORD>(cr - chars);
    }
    BSTR result = ::SysAllocStringLen(chars, length);
    if (!result) return ERROR_NOT_ENOUGH_MEMORY;
    *text = result;
    return 0;
}

std::wstring FallbackErrorText(DWORD code) {
    wchar_t text[40];
    std::swprintf(text, 40, L"Error 0x%08X occurred", static_cast<unsigned>(code));
    return text;
}

std::wstring ErrorTextLine(DWORD code) {
    UniqueBstr text;
    if (FormatErrorText(code, text.Put(), true) != 0) return FallbackErrorText(code);
    return text ? std::wstring(text.Get(), ::SysStringLen(text.Get())) : std::wstring();
}

std::wstring ComposeErrorMessage(DWORD code, const wchar_t* context) {
    UniqueBstr platformText;
    std::wstring message;
    // A failed formatting whose last error was 0 reports success without a
    // text; the message then has no platform part.
    if (FormatErrorText(code, platformText.Put(), false) != 0)
        message = FallbackErrorText(code);
    else if (platformText)
        message.assign(platformText.Get(), ::SysStringLen(platformText.Get()));
    if (context) {
        message += L"\r\n";
        message += context;
    }
    return message;
}

int ShowErrorMessage(DWORD code, const wchar_t* title, const wchar_t* context, HWND owner, UINT style) {
    const std::wstring message = ComposeErrorMessage(code, context);
    return ::MessageBoxW(owner, message.c_str(), title, style);
}

ErrorRecord::ErrorRecord(const std::wstring& context, HRESULT code, bool format) : code_(code), text_(context) {
    if (!format || code == S_OK || code == E_FAIL) return;
    wchar_t* raw = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                                          static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
    UniqueLocal buffer(raw);
    if (length < 3 || !raw) {
        wchar_t number[24];
        std::swprintf(number, 24, L"0x%lx", static_cast<unsigned long>(code));
        text_ += L"-> error code was: ";
        text_ += number;
    } else {
        // Drop the line break the table puts at the end.
        text_ += L"->";
        text_.append(raw, length - 2);
    }
}

}  // namespace vantrel
