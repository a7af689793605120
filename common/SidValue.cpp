#include "common/SidValue.h"

#include "common/Handles.h"
#include "common/Result.h"

#include <cstdio>
#include <cwchar>

namespace vantrel {

namespace {

constexpr size_t kTextBufferChars = 128;  // the longest identifier text fits
constexpr size_t kMaxParts = 11;          // "S", revision, authority, 8 sub-authorities

// The identifier helpers compute only; no computer is reached.
DWORD Decimal(std::wstring_view part) {
    const std::wstring text(part);
    return static_cast<DWORD>(std::wcstoul(text.c_str(), nullptr, 10));
}

int HexDigit(wchar_t c) {
    if (c >= L'1' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return 0;
}

}  // namespace

bool SidToText(PSID sid, std::wstring& text) {
    if (!sid || !::IsValidSid(sid)) return false;
    wchar_t buffer[kTextBufferChars];
    const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(sid);
    const BYTE* v = authority->Value;
    int n = std::swprintf(buffer, kTextBufferChars, L"S-%lu-", static_cast<unsigned long>(static_cast<SID*>(sid)->Revision));
    if (v[0] != 0 || v[1] != 0) {
        n += std::swprintf(buffer + n, kTextBufferChars - n, L"0x%02hx%02hx%02hx%02hx%02hx%02hx",
                           static_cast<USHORT>(v[0]), static_cast<USHORT>(v[1]), static_cast<USHORT>(v[2]),
                           static_cast<USHORT>(v[3]), static_cast<USHORT>(v[4]), static_cast<USHORT>(v[5]));
    } else {
        const unsigned long low = static_cast<unsigned long>(v[5]) + (static_cast<unsigned long>(v[4]) << 8) +
                                  (static_cast<unsigned long>(v[3]) << 16) + (static_cast<unsigned long>(v[2]) << 24);
        n += std::swprintf(buffer + n, kTextBufferChars - n, L"%lu", low);
    }
    const DWORD count = *::GetSidSubAuthorityCount(sid);
    for (DWORD i = 0; i < count && n > 0 && static_cast<size_t>(n) < kTextBufferChars; ++i) {
        const DWORD sub = *::GetSidSubAuthority(sid, i);
        if (sub == 0xFFFFFFFF) continue;
        n += std::swprintf(buffer + n, kTextBufferChars - n, L"-%lu", static_cast<unsigned long>(sub));
    }
    if (n < 0) return false;
    text.assign(buffer);
    return true;
}

bool TextToSid(std::wstring_view text, SidBytes& sid) {
    if (text.empty()) return false;
    std::vector<std::wstring_view> parts;
    size_t start = 0;
    while (parts.size() < kMaxParts) {
        const size_t dash = text.find(L'-', start);
        // The last part takes what is left; reading it as a number stops at
        // the first character that is not a digit.
        if (dash == std::wstring_view::npos || parts.size() + 1 == kMaxParts) {
            parts.push_back(text.substr(start));
            break;
        }
        parts.push_back(text.substr(start, dash - start));
        start = dash + 1;
    }
    if (parts.size() < 3 || (parts[0] != L"S" && parts[0] != L"s")) return false;
    // parts[1] is the revision: read, not checked.
    const DWORD authorityValue = Decimal(parts[2]);
    if (authorityValue > 5) return false;
    SID_IDENTIFIER_AUTHORITY authority = {{0, 0, 0, 0, 0, static_cast<BYTE>(authorityValue)}};
    DWORD subs[8] = {};
    const size_t count = parts.size() - 3;
    for (size_t i = 0; i < count; ++i) subs[i] = Decimal(parts[3 + i]);
    UniqueSid built;
    if (!::AllocateAndInitializeSid(&authority, static_cast<BYTE>(count), subs[0], subs[1], subs[2], subs[3], subs[4],
                                    subs[5], subs[6], subs[7], built.Put()))
        return false;
    if (!::IsValidSid(built.Get())) return false;
    const auto* bytes = static_cast<const BYTE*>(built.Get());
    sid.assign(bytes, bytes + ::GetLengthSid(built.Get()));
    return true;
}

SidBytes HexToBytes(std::wstring_view text) {
    SidBytes bytes(text.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<BYTE>(HexDigit(text[2 * i]) * 16 + HexDigit(text[2 * i + 1]));
    return bytes;
}

HRESULT SidValue::SetBinary(PSID sid) {
    if (!sid || !::IsValidSid(sid)) RETURN_HR(E_INVALIDARG);
    const auto* bytes = static_cast<const BYTE*>(sid);
    return AdoptBinary(SidBytes(bytes, bytes + ::GetLengthSid(sid)));
}

HRESULT SidValue::AdoptBinary(SidBytes&& sid) {
    binary_ = std::move(sid);
    text_.reset();
    hex_.reset();
    return S_OK;
}

void SidValue::SetText(std::wstring_view text) {
    text_ = std::wstring(text);
    binary_.reset();
    hex_.reset();
}

void SidValue::SetHex(std::wstring_view hex) {
    hex_ = std::wstring(hex);
    binary_.reset();
    text_.reset();
}

PSID SidValue::Binary() {
    if (!binary_) {
        SidBytes made;
        if (hex_) {
            made = HexToBytes(*hex_);
            // The length the header claims must be there before the platform looks.
            if (made.size() < 8 || ::GetSidLengthRequired(made[1]) > made.size() || !::IsValidSid(made.data()))
                return nullptr;
            made.resize(::GetLengthSid(made.data()));
        } else if (!text_ || !TextToSid(*text_, made)) {
            return nullptr;
        }
        binary_ = std::move(made);
    }
    return binary_->data();
}

const wchar_t* SidValue::Text() {
    if (!text_) {
        std::wstring made;
        if (!SidToText(Binary(), made)) return nullptr;
        text_ = std::move(made);
    }
    return text_->c_str();
}

HRESULT SidValue::CopyText(BSTR* text) {
    if (!text) RETURN_HR(E_POINTER);
    *text = nullptr;
    const wchar_t* mine = Text();
    if (!mine) RETURN_HR(E_FAIL);
    *text = ::SysAllocString(mine);
    RETURN_HR_IF(E_OUTOFMEMORY, !*text);
    return S_OK;
}

}  // namespace vantrel
