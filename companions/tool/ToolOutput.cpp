#include "companions/tool/ToolOutput.h"

#include "common/ErrorText.h"
#include "common/Handles.h"

#include <cwchar>

namespace vantrel::credentialstool {

void WriteText(DWORD stream, const std::wstring& text) {
    const HANDLE handle = ::GetStdHandle(stream);
    if (!handle || handle == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring DescribeFailure(const std::wstring& what, HRESULT hr) {
    const DWORD code = static_cast<DWORD>(hr);
    std::wstring text;
    UniqueBstr message;
    if (FormatErrorText(code, message.Put(), true) == 0 && ::SysStringLen(message.Get()) > 0)
        text.assign(message.Get(), ::SysStringLen(message.Get()));
    else
        text = FallbackErrorText(code);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\r' || text.back() == L'\n'))
        text.pop_back();
    wchar_t number[16];
    std::swprintf(number, 16, L"0x%08lX", static_cast<unsigned long>(code));
    return what + L": " + text + L" (" + number + L")";
}

}  // namespace vantrel::credentialstool
