#pragma once
// Security identifiers in the three forms the account pages pass around:
// binary (as the platform takes it), text ("S-1-5-32-545") and hexadecimal
// (two characters per byte, as directory objects carry "objectSid").
#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

using SidBytes = std::vector<BYTE>;

// "S-" revision "-" authority "-" sub-authority...; the authority in decimal
// when its two high bytes are zero, else as six hex bytes ("-0x...").
// A sub-authority of 0xFFFFFFFF is not written. False for a null or invalid
// identifier.
bool SidToText(PSID sid, std::wstring& text);

// "S-rev-auth-sub..." with an authority of 0..5 and at most 8 sub-authorities
// (the text is split into at most 11 parts); false when a rule is broken.
bool TextToSid(std::wstring_view text, SidBytes& sid);

// Two characters per byte; '1'..'9' and 'A'..'F' count, anything else is 0.
SidBytes HexToBytes(std::wstring_view text);

// One identifier, given in any form; the others are derived on first request
// and kept.
class SidValue {
public:
    SidValue() = default;

    // Copies the identifier (its platform length); E_INVALIDARG when invalid.
    HRESULT SetBinary(PSID sid);
    // Takes over an identifier built elsewhere.
    HRESULT AdoptBinary(SidBytes&& sid);
    void SetText(std::wstring_view text);
    void SetHex(std::wstring_view hex);

    // The binary form, from the hexadecimal form when there is one, else from
    // the text; null when none can be made.
    PSID Binary();
    // The text form, from the binary form (made first if need be); null when
    // none can be made.
    const wchar_t* Text();
    // A separate copy of the text for the caller to free.
    HRESULT CopyText(BSTR* text);

    bool HasBinary() const { return binary_.has_value(); }
    bool HasText() const { return text_.has_value(); }

private:
    std::optional<SidBytes> binary_;
    std::optional<std::wstring> text_;
    std::optional<std::wstring> hex_;
};

}  // namespace vantrel
