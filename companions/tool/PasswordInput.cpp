#include "companions/tool/PasswordInput.h"

#include "common/Result.h"
#include "companions/tool/ToolOutput.h"

#include <cstring>

namespace vantrel::credentialstool {
namespace {

using companions::SecretBuffer;
using companions::SecretString;

// Restores the console's mode however the reading ends.
class EchoOff {
public:
    EchoOff(HANDLE input, DWORD mode) : input_(input), mode_(mode) {
        ::SetConsoleMode(input_, (mode_ & ~ENABLE_ECHO_INPUT) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
    }
    ~EchoOff() { ::SetConsoleMode(input_, mode_); }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    HANDLE input_;
    DWORD mode_;
};

HRESULT ReadConsoleLine(HANDLE input, SecretString* line, std::wstring* problem) {
    SecretString buffer;
    RETURN_IF_FAILED(buffer.Allocate(kMaxPasswordLength + 2));
    size_t used = 0;
    for (;;) {
        DWORD read = 0;
        RETURN_LAST_ERROR_IF(
            !::ReadConsoleW(input, buffer.Data() + used, static_cast<DWORD>(buffer.Size() - used), &read, nullptr));
        if (read == 0) break;
        used += read;
        if (buffer.Data()[used - 1] == L'\n' || used == buffer.Size()) break;
    }
    const bool ended = used > 0 && buffer.Data()[used - 1] == L'\n';
    if (!ended && used == buffer.Size()) {
        // Drain the rest of the line so that it does not reach the next prompt.
        wchar_t rest[64];
        DWORD read = 0;
        while (::ReadConsoleW(input, rest, ARRAYSIZE(rest), &read, nullptr) && read > 0 && rest[read - 1] != L'\n') {
        }
        ::SecureZeroMemory(rest, sizeof rest);
        *problem = L"The password is longer than " + std::to_wstring(kMaxPasswordLength) + L" characters.";
        RETURN_WIN32(ERROR_INVALID_PASSWORD);
    }
    while (used > 0 && (buffer.Data()[used - 1] == L'\n' || buffer.Data()[used - 1] == L'\r')) --used;
    return line->Assign(buffer.Data(), used);
}

HRESULT ReadFromConsole(HANDLE input, DWORD mode, bool scripted, const std::wstring& userName,
                        SecretString* password, std::wstring* problem) {
    EchoOff echoOff(input, mode);
    if (!scripted) Err(L"Password for " + userName + L": ");
    SecretString first;
    const HRESULT hr = ReadConsoleLine(input, &first, problem);
    if (!scripted) Err(L"\r\n");
    RETURN_IF_FAILED(hr);
    if (!scripted) {
        Err(L"Confirm the password: ");
        SecretString second;
        const HRESULT again = ReadConsoleLine(input, &second, problem);
        Err(L"\r\n");
        RETURN_IF_FAILED(again);
        if (first.Size() != second.Size() ||
            std::memcmp(first.Data(), second.Data(), first.Size() * sizeof(wchar_t)) != 0) {
            *problem = L"The two passwords differ; nothing was stored.";
            RETURN_WIN32(ERROR_INVALID_PASSWORD);
        }
    }
    *password = std::move(first);
    return S_OK;
}

HRESULT ReadFromStream(HANDLE input, SecretString* password, std::wstring* problem) {
    // UTF-8 takes at most three bytes per UTF-16 unit.
    SecretBuffer<char> bytes;
    RETURN_IF_FAILED(bytes.Allocate(kMaxPasswordLength * 3 + 4));
    size_t used = 0;
    bool sawAny = false;
    // One byte at a time: whatever follows the first line stays unread.
    for (;;) {
        char c = 0;
        DWORD read = 0;
        if (!::ReadFile(input, &c, 1, &read, nullptr)) {  // seam: local
            const DWORD error = ::GetLastError();
            if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) break;
            RETURN_WIN32(error);
        }
        if (read == 0) break;
        sawAny = true;
        if (c == '\n') break;
        if (used == bytes.Size()) {
            *problem = L"The password is longer than " + std::to_wstring(kMaxPasswordLength) + L" characters.";
            RETURN_WIN32(ERROR_INVALID_PASSWORD);
        }
        bytes.Data()[used++] = c;
    }
    if (!sawAny) {
        *problem = L"No password was given on standard input.";
        RETURN_WIN32(ERROR_HANDLE_EOF);
    }
    if (used > 0 && bytes.Data()[used - 1] == '\r') --used;
    size_t start = 0;
    if (used >= 3 && std::memcmp(bytes.Data(), "\xEF\xBB\xBF", 3) == 0) start = 3;  // a byte-order mark
    const char* text = bytes.Data() + start;
    const int length = static_cast<int>(used - start);
    if (length == 0) return password->Allocate(0);
    const int wide = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
    if (wide <= 0) {
        *problem = L"The password on standard input is not UTF-8 text.";
        RETURN_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    }
    if (static_cast<size_t>(wide) > kMaxPasswordLength) {
        *problem = L"The password is longer than " + std::to_wstring(kMaxPasswordLength) + L" characters.";
        RETURN_WIN32(ERROR_INVALID_PASSWORD);
    }
    RETURN_IF_FAILED(password->Allocate(static_cast<size_t>(wide)));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, password->Data(), wide);
    return S_OK;
}

}  // namespace

HRESULT ReadPassword(bool scripted, const std::wstring& userName, SecretString* password, std::wstring* problem) {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (!input || input == INVALID_HANDLE_VALUE) {
        *problem = L"There is no standard input to read the password from.";
        RETURN_WIN32(ERROR_INVALID_HANDLE);
    }
    DWORD mode = 0;
    if (::GetConsoleMode(input, &mode)) return ReadFromConsole(input, mode, scripted, userName, password, problem);
    return ReadFromStream(input, password, problem);
}

}  // namespace vantrel::credentialstool
