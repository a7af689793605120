#pragma once
// Turns error codes (platform errors, network-management and directory-service
// errors, HRESULTs) into readable text, alone or in a message box with a
// sentence about what was being done.
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace vantrel {

// Which message table explains a code.
enum class MessageTable { System, NetMsg, ActiveDs, None };

MessageTable MessageTableFor(DWORD code) noexcept;

// The file name of a table's module; null for System and None.
const wchar_t* MessageTableModule(MessageTable table) noexcept;

// Writes a new BSTR to *text and returns 0, or returns a platform error and
// leaves *text alone (E_POINTER for a null `text`, 1812 when no table can
// explain the code). With cutAtLineBreak the text ends before its first
// carriage return. Shows nothing.
DWORD FormatErrorText(DWORD code, BSTR* text, bool cutAtLineBreak);

// "Error 0x%08X occurred": the text callers use when a code has none.
std::wstring FallbackErrorText(DWORD code);

// One line of text for `code`: the platform's explanation cut at its line
// break, or the fallback. What views and log reports put after their own
// sentence.
std::wstring ErrorTextLine(DWORD code);

// The text of a message box for `code`: the platform's explanation (or the
// fallback), then "\r\n" and `context` when one is given.
std::wstring ComposeErrorMessage(DWORD code, const wchar_t* context);

// Shows ComposeErrorMessage's text with MessageBoxW and returns its result.
int ShowErrorMessage(DWORD code, const wchar_t* title, const wchar_t* context, HWND owner, UINT style);

// A code with its text, for code that keeps errors as records instead of
// showing them at once (remote instrumentation).
class ErrorRecord {
public:
    ErrorRecord() = default;
    // With `format` set and a code other than 0 and E_FAIL, the platform's
    // text of the code is appended to the context; otherwise the text is the
    // context alone.
    ErrorRecord(const std::wstring& context, HRESULT code, bool format);

    HRESULT Code() const noexcept { return code_; }
    const std::wstring& Text() const noexcept { return text_; }

private:
    HRESULT code_ = S_OK;
    std::wstring text_;
};

}  // namespace vantrel
