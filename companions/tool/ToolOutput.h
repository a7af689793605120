#pragma once
// Text to the tool's standard streams: UTF-16 to a console, UTF-8 to a pipe
// or file, so that scripts read what people see.
#include <windows.h>

#include <string>

namespace vantrel::credentialstool {

void WriteText(DWORD stream, const std::wstring& text);
inline void Out(const std::wstring& text) { WriteText(STD_OUTPUT_HANDLE, text); }
inline void Err(const std::wstring& text) { WriteText(STD_ERROR_HANDLE, text); }

// "<what>: <the code's text> (0x8007000D)".
std::wstring DescribeFailure(const std::wstring& what, HRESULT hr);

}  // namespace vantrel::credentialstool
