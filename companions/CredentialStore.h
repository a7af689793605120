#pragma once
// The store of alternate credentials: entries keyed by credentials path
// (without regard to case), each with an account and its password, kept in
// the user's credentials file (CredentialFile) with the password encrypted
// (Protection). Every call reads the file afresh, so several stores, threads
// and processes see each other's changes.
#include "Companions_h.h"
#include "common/ComObject.h"
#include "companions/CredentialFile.h"
#include "common/FreeThreadedMarshaler.h"

#include <memory>
#include <string>
#include <vector>

namespace vantrel::companions {

// The environment variable that names the credentials file instead of the
// default %APPDATA%\Vantrel\credentials.dat.
constexpr wchar_t kCredentialsFileVariable[] = L"VANTREL_CREDENTIALS_FILE";

class CredentialStore final : public ComObject, public ICredentialStore {
public:
    explicit CredentialStore(IUnknown* outer) noexcept : ComObject(outer) {}

    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept {
        return CreateComObject<CredentialStore>(outer, iid, out);
    }

    VANTREL_IUNKNOWN

    STDMETHODIMP Lookup(BSTR key, IUnknown** record) override;
    // `options` (the caller's recall options) do not change how the store
    // looks an entry up; they are accepted for callers that pass them along.
    STDMETHODIMP LookupWithOptions(BSTR key, long options, IUnknown** record) override;
    STDMETHODIMP Add(BSTR key, long nameFormat, BSTR userName, BSTR password) override;
    STDMETHODIMP Remove(BSTR key) override;
    // GetCount takes a snapshot of the entries; GetEntry reads from the last
    // snapshot (taking one if there is none), so that indexes stay stable
    // while others change the file. Add and Remove drop the snapshot.
    STDMETHODIMP GetCount(long* count) override;
    STDMETHODIMP GetEntry(long index, BSTR* key, long* nameFormat, BSTR* userName) override;

protected:
    void* FindInterface(REFIID iid) noexcept override;
    HRESULT FinalConstruct() noexcept override;

private:
    struct Listed {
        std::wstring key;
        long nameFormat;
        std::wstring userName;
    };

    HRESULT TakeSnapshot() noexcept;
    void DropSnapshot() noexcept;

    std::unique_ptr<CredentialFile> file_;  // set by FinalConstruct, then read-only
    SRWLOCK snapshotLock_ = SRWLOCK_INIT;
    std::vector<Listed> snapshot_;
    bool haveSnapshot_ = false;
    FreeThreadedMarshaler marshaler_;
};

}  // namespace vantrel::companions
