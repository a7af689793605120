#include "companions/Protection.h"

#include "common/Handles.h"
#include "common/Result.h"

#include <wincrypt.h>

#include <cstring>

namespace vantrel::companions {
namespace {

// Changing these bytes makes every stored password unreadable.
BYTE g_entropy[16] = {0x74, 0x76, 0xD9, 0xDF, 0xB0, 0xAC, 0xD4, 0x98,
                      0xAE, 0x54, 0xB0, 0x8D, 0xA9, 0xB4, 0x71, 0x17};

constexpr DWORD kPayloadVersion = 1;
const HRESULT kForeign = HResultFromWin32(ERROR_INVALID_DATA);

// Clear payload: version u32, key (u32 length + UTF-16), name format i32,
// user name (u32 length + UTF-16), password (u32 length + UTF-16).
size_t PayloadSize(const StoredCredential& entry, size_t passwordLength) {
    return 4 + 4 + entry.key.size() * 2 + 4 + 4 + entry.userName.size() * 2 + 4 + passwordLength * 2;
}

class PayloadWriter {
public:
    explicit PayloadWriter(BYTE* out) : out_(out) {}
    void U32(DWORD value) { Raw(&value, 4); }
    void Text(const wchar_t* text, size_t length) {
        U32(static_cast<DWORD>(length));
        Raw(text, length * 2);
    }

private:
    void Raw(const void* data, size_t size) {
        if (size) std::memcpy(out_, data, size);
        out_ += size;
    }
    BYTE* out_;
};

class PayloadReader {
public:
    PayloadReader(const BYTE* data, size_t size) : data_(data), size_(size) {}
    bool U32(DWORD* value) {
        if (size_ - pos_ < 4) return false;
        std::memcpy(value, data_ + pos_, 4);
        pos_ += 4;
        return true;
    }
    // Where `length` characters of text start, without copying them.
    bool Text(const BYTE** text, size_t* length) {
        DWORD count = 0;
        if (!U32(&count) || (size_ - pos_) / 2 < count) return false;
        *text = data_ + pos_;
        *length = count;
        pos_ += static_cast<size_t>(count) * 2;
        return true;
    }
    bool Matches(const std::wstring& expected) {
        const BYTE* text = nullptr;
        size_t length = 0;
        return Text(&text, &length) && length == expected.size() &&
               std::memcmp(text, expected.data(), length * 2) == 0;
    }
    bool AtEnd() const { return pos_ == size_; }

private:
    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
};

struct LocalBlobTraits {  // a DPAPI result; wiped, since it may hold clear text
    using Type = DATA_BLOB*;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type blob) noexcept {
        ::SecureZeroMemory(blob->pbData, blob->cbData);
        ::LocalFree(blob->pbData);
        blob->pbData = nullptr;
        blob->cbData = 0;
    }
};

}  // namespace

HRESULT ProtectPassword(StoredCredential* entry, const wchar_t* password, size_t length) {
    RETURN_HR_IF(E_INVALIDARG, length > kMaxTextLength);
    SecretBuffer<BYTE> payload;
    RETURN_IF_FAILED(payload.Allocate(PayloadSize(*entry, length)));
    PayloadWriter writer(payload.Data());
    writer.U32(kPayloadVersion);
    writer.Text(entry->key.data(), entry->key.size());
    writer.U32(static_cast<DWORD>(entry->nameFormat));
    writer.Text(entry->userName.data(), entry->userName.size());
    writer.Text(password, length);

    DATA_BLOB clear = {static_cast<DWORD>(payload.Size()), payload.Data()};
    DATA_BLOB entropy = {sizeof g_entropy, g_entropy};
    DATA_BLOB sealed = {};
    RETURN_LAST_ERROR_IF(!::CryptProtectData(&clear, L"Vantrel credentials", &entropy, nullptr, nullptr,
                                             CRYPTPROTECT_UI_FORBIDDEN, &sealed));
    Unique<LocalBlobTraits> owner(&sealed);
    entry->protectedData.assign(sealed.pbData, sealed.pbData + sealed.cbData);
    return S_OK;
}

HRESULT UnprotectPassword(const StoredCredential& entry, SecretString* password) {
    DATA_BLOB sealed = {static_cast<DWORD>(entry.protectedData.size()), const_cast<BYTE*>(entry.protectedData.data())};
    DATA_BLOB entropy = {sizeof g_entropy, g_entropy};
    DATA_BLOB clear = {};
    if (!::CryptUnprotectData(&sealed, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &clear)) {
        // Some failures leave no error behind; the block is unusable all the same.
        const DWORD error = ::GetLastError();
        RETURN_HR_IF(error ? HResultFromWin32(error) : kForeign, true);
    }
    Unique<LocalBlobTraits> owner(&clear);

    PayloadReader reader(clear.pbData, clear.cbData);
    DWORD version = 0;
    DWORD format = 0;
    const BYTE* text = nullptr;
    size_t length = 0;
    const bool belongs = reader.U32(&version) && version == kPayloadVersion && reader.Matches(entry.key) &&
                         reader.U32(&format) && static_cast<long>(format) == entry.nameFormat &&
                         reader.Matches(entry.userName) && reader.Text(&text, &length) && reader.AtEnd();
    RETURN_HR_IF(kForeign, !belongs);
    RETURN_IF_FAILED(password->Allocate(length));
    if (length) std::memcpy(password->Data(), text, length * 2);
    return S_OK;
}

}  // namespace vantrel::companions
