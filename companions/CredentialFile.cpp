#include "companions/CredentialFile.h"

#include "common/Handles.h"
#include "common/Result.h"
#include "companions/FileLock.h"

#include <algorithm>
#include <cstring>

namespace vantrel::companions {
namespace {

constexpr BYTE kMagic[4] = {'V', 'C', 'S', '1'};
constexpr DWORD kVersion = 1;
// Key length, format, user length, protected length: the least an entry takes.
constexpr size_t kMinEntrySize = 16;

const HRESULT kCorrupted = HResultFromWin32(ERROR_INVALID_DATA);

class Reader {
public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool U32(DWORD* value) {
        if (size_ - pos_ < 4) return false;
        std::memcpy(value, data_ + pos_, 4);
        pos_ += 4;
        return true;
    }
    bool Text(std::wstring* text) {
        DWORD length = 0;
        if (!U32(&length) || length == 0 || length > kMaxTextLength || (size_ - pos_) / 2 < length) return false;
        text->resize(length);
        std::memcpy(text->data(), data_ + pos_, length * 2);
        pos_ += length * 2;
        return text->find(L'\0') == std::wstring::npos;
    }
    bool Bytes(std::vector<BYTE>* bytes) {
        DWORD length = 0;
        if (!U32(&length) || length == 0 || length > kMaxProtectedSize || size_ - pos_ < length) return false;
        bytes->assign(data_ + pos_, data_ + pos_ + length);
        pos_ += length;
        return true;
    }
    size_t Left() const { return size_ - pos_; }

private:
    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
};

void PutU32(std::vector<BYTE>& out, DWORD value) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    out.insert(out.end(), bytes, bytes + 4);
}

void PutText(std::vector<BYTE>& out, const std::wstring& text) {
    PutU32(out, static_cast<DWORD>(text.size()));
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
    out.insert(out.end(), bytes, bytes + text.size() * 2);
}

// S_FALSE (and no bytes) when the file does not exist.
HRESULT ReadWholeFile(const std::wstring& path, std::vector<BYTE>* bytes) {
    bytes->clear();
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,  // seam: local
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return S_FALSE;
        RETURN_WIN32(error);
    }
    LARGE_INTEGER size = {};
    RETURN_LAST_ERROR_IF(!::GetFileSizeEx(file.Get(), &size));  // seam: local
    RETURN_HR_IF(kCorrupted, size.QuadPart < 0 || static_cast<ULONGLONG>(size.QuadPart) > kMaxFileSize);
    bytes->resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes->size()) {
        DWORD read = 0;
        const DWORD want = static_cast<DWORD>(bytes->size() - done);
        RETURN_LAST_ERROR_IF(!::ReadFile(file.Get(), bytes->data() + done, want, &read, nullptr));  // seam: local
        RETURN_HR_IF(kCorrupted, read == 0);  // shorter than it said
        done += read;
    }
    return S_OK;
}

}  // namespace

int CompareKeys(const std::wstring& a, const std::wstring& b) noexcept {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) -
           CSTR_EQUAL;
}

std::vector<StoredCredential>::iterator FindKey(std::vector<StoredCredential>& entries, const std::wstring& key) {
    return std::find_if(entries.begin(), entries.end(),
                        [&](const StoredCredential& entry) { return CompareKeys(entry.key, key) == 0; });
}

HRESULT ParseCredentials(const BYTE* data, size_t size, std::vector<StoredCredential>* entries) {
    entries->clear();
    if (size < sizeof kMagic || std::memcmp(data, kMagic, sizeof kMagic) != 0) return kCorrupted;
    Reader reader(data + sizeof kMagic, size - sizeof kMagic);
    DWORD version = 0;
    DWORD count = 0;
    if (!reader.U32(&version) || version != kVersion || !reader.U32(&count)) return kCorrupted;
    if (count > reader.Left() / kMinEntrySize) return kCorrupted;
    entries->reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        StoredCredential entry;
        DWORD format = 0;
        if (!reader.Text(&entry.key) || !reader.U32(&format) || !reader.Text(&entry.userName) ||
            !reader.Bytes(&entry.protectedData))
            return kCorrupted;
        entry.nameFormat = static_cast<long>(format);
        if (entry.nameFormat < 0 || FindKey(*entries, entry.key) != entries->end()) return kCorrupted;
        entries->push_back(std::move(entry));
    }
    if (reader.Left() != 0) return kCorrupted;
    return S_OK;
}

std::vector<BYTE> SerializeCredentials(const std::vector<StoredCredential>& entries) {
    std::vector<BYTE> out(kMagic, kMagic + sizeof kMagic);
    PutU32(out, kVersion);
    PutU32(out, static_cast<DWORD>(entries.size()));
    for (const auto& entry : entries) {
        PutText(out, entry.key);
        PutU32(out, static_cast<DWORD>(entry.nameFormat));
        PutText(out, entry.userName);
        PutU32(out, static_cast<DWORD>(entry.protectedData.size()));
        out.insert(out.end(), entry.protectedData.begin(), entry.protectedData.end());
    }
    return out;
}

HRESULT CredentialFile::Read(std::vector<StoredCredential>* entries) const {
    FileLock lock;
    const HRESULT hr = lock.Acquire(path_, FileLock::Mode::Shared, false);
    RETURN_IF_FAILED(hr);
    if (hr == S_FALSE) {
        entries->clear();
        return S_OK;
    }
    return ReadLocked(entries);
}

HRESULT CredentialFile::Update(const std::function<HRESULT(std::vector<StoredCredential>&)>& change) const {
    FileLock lock;
    RETURN_IF_FAILED(lock.Acquire(path_, FileLock::Mode::Exclusive, true));
    std::vector<StoredCredential> entries;
    RETURN_IF_FAILED(ReadLocked(&entries));
    const HRESULT hr = change(entries);
    if (hr != S_OK) return hr;
    RETURN_IF_FAILED(WriteLocked(entries));
    return S_OK;
}

HRESULT CredentialFile::ReadLocked(std::vector<StoredCredential>* entries) const {
    std::vector<BYTE> bytes;
    const HRESULT hr = ReadWholeFile(path_, &bytes);
    RETURN_IF_FAILED(hr);
    if (hr == S_FALSE) {
        entries->clear();
        return S_OK;
    }
    return ParseCredentials(bytes.data(), bytes.size(), entries);
}

HRESULT CredentialFile::WriteLocked(const std::vector<StoredCredential>& entries) const {
    std::vector<StoredCredential> sorted(entries);
    std::sort(sorted.begin(), sorted.end(),
              [](const StoredCredential& a, const StoredCredential& b) { return CompareKeys(a.key, b.key) < 0; });
    const std::vector<BYTE> bytes = SerializeCredentials(sorted);

    const std::wstring temporary = path_ + L".new";
    HRESULT hr = S_OK;
    {
        UniqueFileHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,  // seam: local
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        RETURN_LAST_ERROR_IF(!file);
        DWORD written = 0;
        if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            hr = HResultFromLastError();
        else if (written != bytes.size())
            hr = HResultFromWin32(ERROR_WRITE_FAULT);
        else if (!::FlushFileBuffers(file.Get()))
            hr = HResultFromLastError();
    }
    if (SUCCEEDED(hr) &&
        !::MoveFileExW(temporary.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        hr = HResultFromLastError();
    if (FAILED(hr)) {
        ::DeleteFileW(temporary.c_str());
        VANTREL_NOTE(hr);
    }
    return hr;
}

}  // namespace vantrel::companions
