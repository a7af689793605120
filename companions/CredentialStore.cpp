#include "companions/CredentialStore.h"

#include "common/Handles.h"
#include "common/Result.h"
#include "companions/CredentialRecord.h"
#include "companions/Protection.h"
#include "companions/UserFiles.h"

#include <shlobj.h>

#include <algorithm>
#include <new>

namespace vantrel::companions {
namespace {

class SrwGuard {
public:
    SrwGuard(SRWLOCK& lock, bool exclusive) : lock_(lock), exclusive_(exclusive) {
        exclusive_ ? ::AcquireSRWLockExclusive(&lock_) : ::AcquireSRWLockShared(&lock_);
    }
    ~SrwGuard() { exclusive_ ? ::ReleaseSRWLockExclusive(&lock_) : ::ReleaseSRWLockShared(&lock_); }
    SrwGuard(const SrwGuard&) = delete;
    SrwGuard& operator=(const SrwGuard&) = delete;

private:
    SRWLOCK& lock_;
    bool exclusive_;
};

// Keys and user names: not empty, no embedded null (the file could store
// one, but no caller could pass it on as a C string).
HRESULT TextArgument(BSTR text, std::wstring* out) {
    const UINT length = ::SysStringLen(text);
    RETURN_HR_IF(E_INVALIDARG, length == 0 || length > kMaxTextLength);
    out->assign(text, length);
    RETURN_HR_IF(E_INVALIDARG, out->find(L'\0') != std::wstring::npos);
    return S_OK;
}

HRESULT CopyOut(const std::wstring& text, BSTR* out) {
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    RETURN_HR_IF(E_OUTOFMEMORY, !*out);
    return S_OK;
}

}  // namespace

HRESULT CredentialStore::FinalConstruct() noexcept try {
    RETURN_IF_FAILED(marshaler_.Create(Controlling()));
    std::wstring path;
    RETURN_IF_FAILED(ResolveUserFile(kCredentialsFileVariable, CSIDL_APPDATA, L"credentials.dat", &path));
    file_ = std::make_unique<CredentialFile>(std::move(path));
    return S_OK;
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

void* CredentialStore::FindInterface(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_ICredentialStore)) return static_cast<ICredentialStore*>(this);
    return marshaler_.Find(iid);
}

STDMETHODIMP CredentialStore::Lookup(BSTR key, IUnknown** record) { return LookupWithOptions(key, 0, record); }

STDMETHODIMP CredentialStore::LookupWithOptions(BSTR key, long /*options*/, IUnknown** record) try {
    if (!record) RETURN_HR(E_POINTER);
    *record = nullptr;
    std::wstring wanted;
    RETURN_IF_FAILED(TextArgument(key, &wanted));
    std::vector<StoredCredential> entries;
    RETURN_IF_FAILED(file_->Read(&entries));
    const auto found = FindKey(entries, wanted);
    if (found == entries.end()) return S_FALSE;
    SecretString password;
    RETURN_IF_FAILED(UnprotectPassword(*found, &password));
    return CredentialRecord::Create(found->nameFormat, found->userName, std::move(password), record);
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

STDMETHODIMP CredentialStore::Add(BSTR key, long nameFormat, BSTR userName, BSTR password) try {
    StoredCredential entry;
    RETURN_IF_FAILED(TextArgument(key, &entry.key));
    RETURN_IF_FAILED(TextArgument(userName, &entry.userName));
    RETURN_HR_IF(E_INVALIDARG, nameFormat < 0);
    entry.nameFormat = nameFormat;
    // Encrypted before the lock is taken: the slow part need not hold up
    // other writers.
    RETURN_IF_FAILED(ProtectPassword(&entry, password, ::SysStringLen(password)));
    const HRESULT hr = file_->Update([&](std::vector<StoredCredential>& entries) {
        const auto existing = FindKey(entries, entry.key);
        if (existing != entries.end())
            *existing = std::move(entry);  // the new spelling of the key wins
        else
            entries.push_back(std::move(entry));
        return S_OK;
    });
    DropSnapshot();
    return hr;
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

STDMETHODIMP CredentialStore::Remove(BSTR key) try {
    std::wstring wanted;
    RETURN_IF_FAILED(TextArgument(key, &wanted));
    const HRESULT hr = file_->Update([&](std::vector<StoredCredential>& entries) {
        const auto existing = FindKey(entries, wanted);
        if (existing == entries.end()) return S_FALSE;
        entries.erase(existing);
        return S_OK;
    });
    DropSnapshot();
    return hr;
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

void CredentialStore::DropSnapshot() noexcept {
    SrwGuard guard(snapshotLock_, true);
    haveSnapshot_ = false;
}

HRESULT CredentialStore::TakeSnapshot() noexcept try {
    std::vector<StoredCredential> entries;
    RETURN_IF_FAILED(file_->Read(&entries));
    std::vector<Listed> listed;
    listed.reserve(entries.size());
    for (auto& entry : entries) listed.push_back({std::move(entry.key), entry.nameFormat, std::move(entry.userName)});
    // The file keeps key order, but a file written by hand need not.
    std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) { return CompareKeys(a.key, b.key) < 0; });
    SrwGuard guard(snapshotLock_, true);
    snapshot_.swap(listed);
    haveSnapshot_ = true;
    return S_OK;
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

STDMETHODIMP CredentialStore::GetCount(long* count) {
    if (!count) RETURN_HR(E_POINTER);
    *count = 0;
    RETURN_IF_FAILED(TakeSnapshot());
    SrwGuard guard(snapshotLock_, false);
    *count = static_cast<long>(snapshot_.size());
    return S_OK;
}

STDMETHODIMP CredentialStore::GetEntry(long index, BSTR* key, long* nameFormat, BSTR* userName) try {
    if (!key || !nameFormat || !userName) RETURN_HR(E_POINTER);
    *key = nullptr;
    *userName = nullptr;
    *nameFormat = 0;
    bool have = false;
    {
        SrwGuard guard(snapshotLock_, false);
        have = haveSnapshot_;
    }
    if (!have) RETURN_IF_FAILED(TakeSnapshot());

    long entryFormat = 0;
    std::wstring entryKey;
    std::wstring entryUser;
    {
        SrwGuard guard(snapshotLock_, false);
        RETURN_HR_IF(E_INVALIDARG, index < 0 || static_cast<size_t>(index) >= snapshot_.size());
        entryKey = snapshot_[index].key;
        entryFormat = snapshot_[index].nameFormat;
        entryUser = snapshot_[index].userName;
    }

    UniqueBstr keyCopy;
    UniqueBstr userCopy;
    RETURN_IF_FAILED(CopyOut(entryKey, keyCopy.Put()));
    RETURN_IF_FAILED(CopyOut(entryUser, userCopy.Put()));
    *key = keyCopy.Release();
    *nameFormat = entryFormat;
    *userName = userCopy.Release();
    return S_OK;
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

}  // namespace vantrel::companions
