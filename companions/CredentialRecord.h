#pragma once
// One looked-up entry: the account and its password in clear, for as long as
// the record lives. Made only by the store; the password is wiped when the
// record goes.
#include "Companions_h.h"
#include "common/ComObject.h"
#include "common/FreeThreadedMarshaler.h"
#include "companions/Secret.h"

#include <string>

namespace vantrel::companions {

class CredentialRecord final : public ComObject, public ICredentialRecord {
public:
    explicit CredentialRecord(IUnknown* outer) noexcept : ComObject(outer) {}

    // A new record's IUnknown, holding `password` (taken over).
    static HRESULT Create(long nameFormat, const std::wstring& userName, SecretString&& password,
                          IUnknown** record) noexcept;

    VANTREL_IUNKNOWN

    STDMETHODIMP GetAccount(long* nameFormat, BSTR* userName) override;
    STDMETHODIMP GetPassword(BSTR* password) override;

protected:
    void* FindInterface(REFIID iid) noexcept override;
    HRESULT FinalConstruct() noexcept override { return marshaler_.Create(Controlling()); }

private:
    // Set once by Create, before any caller sees the record; read-only after.
    long nameFormat_ = 0;
    std::wstring userName_;
    SecretString password_;
    FreeThreadedMarshaler marshaler_;
};

}  // namespace vantrel::companions
