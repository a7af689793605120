#pragma once
// The credentials file: its binary format, and reading and rewriting it
// safely while other threads and processes do the same.
//
// Format (little-endian; strings are UTF-16 without terminator, counted in
// characters):
//   header   "VCS1" (4 bytes), version u32 = 1, entry count u32
//   entry    key length u32, key, name format i32, user name length u32,
//            user name, protected length u32, protected bytes (DPAPI)
// and nothing after the last entry. Keys are unique without regard to case.
// Anything else is a corrupted file (ERROR_INVALID_DATA).
//
// Locking (FileLock): shared while reading, exclusive for a read-modify-write,
// so a writer never replaces the file under a reader (which Windows refuses)
// and two writers never lose each other's change. A writer writes
// "<file>.new" and moves it over the data file, so a crash leaves the old or
// the new file, never half of one.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vantrel::companions {

struct StoredCredential {
    std::wstring key;
    long nameFormat = 0;
    std::wstring userName;
    std::vector<BYTE> protectedData;  // the password with what binds it to this entry
};

// Upper bounds that keep a damaged length field from asking for gigabytes.
constexpr size_t kMaxTextLength = 32767;
constexpr size_t kMaxProtectedSize = 1 << 20;
constexpr size_t kMaxFileSize = 64 << 20;

HRESULT ParseCredentials(const BYTE* data, size_t size, std::vector<StoredCredential>* entries);
std::vector<BYTE> SerializeCredentials(const std::vector<StoredCredential>& entries);

// Case-insensitive ordinal order of keys (the order of the file and of lists).
int CompareKeys(const std::wstring& a, const std::wstring& b) noexcept;
// The entry stored under `key`, or entries.end().
std::vector<StoredCredential>::iterator FindKey(std::vector<StoredCredential>& entries, const std::wstring& key);

class CredentialFile {
public:
    explicit CredentialFile(std::wstring path) : path_(std::move(path)) {}

    const std::wstring& Path() const noexcept { return path_; }

    // All entries; a missing file (or folder) is an empty store.
    HRESULT Read(std::vector<StoredCredential>* entries) const;

    // Reads the entries, lets `change` edit them and writes them back, all
    // under the exclusive lock. `change` returns S_OK to write, S_FALSE to
    // leave the file as it is, or a failure that is passed on. A corrupted
    // file is never rewritten.
    HRESULT Update(const std::function<HRESULT(std::vector<StoredCredential>&)>& change) const;

private:
    HRESULT ReadLocked(std::vector<StoredCredential>* entries) const;
    HRESULT WriteLocked(const std::vector<StoredCredential>& entries) const;

    std::wstring path_;
};

}  // namespace vantrel::companions
