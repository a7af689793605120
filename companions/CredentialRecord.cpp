#include "companions/CredentialRecord.h"

#include "common/ComPtr.h"
#include "common/Result.h"

#include <new>

namespace vantrel::companions {

HRESULT CredentialRecord::Create(long nameFormat, const std::wstring& userName, SecretString&& password,
                                 IUnknown** record) noexcept try {
    if (!record) RETURN_HR(E_POINTER);
    *record = nullptr;
    ComPtr<ICredentialRecord> created;
    HRESULT hr = CreateComObject<CredentialRecord>(nullptr, IID_ICredentialRecord, created.PutVoid());
    if (FAILED(hr)) return hr;
    auto* self = static_cast<CredentialRecord*>(created.Get());
    self->nameFormat_ = nameFormat;
    self->userName_ = userName;
    self->password_ = std::move(password);
    return created.QueryTo(IID_IUnknown, reinterpret_cast<void**>(record));
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

void* CredentialRecord::FindInterface(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_ICredentialRecord)) return static_cast<ICredentialRecord*>(this);
    return marshaler_.Find(iid);
}

STDMETHODIMP CredentialRecord::GetAccount(long* nameFormat, BSTR* userName) {
    if (!nameFormat || !userName) RETURN_HR(E_POINTER);
    *userName = ::SysAllocStringLen(userName_.data(), static_cast<UINT>(userName_.size()));
    if (!*userName) RETURN_HR(E_OUTOFMEMORY);
    *nameFormat = nameFormat_;
    return S_OK;
}

STDMETHODIMP CredentialRecord::GetPassword(BSTR* password) {
    if (!password) RETURN_HR(E_POINTER);
    *password = ::SysAllocStringLen(password_.Data(), static_cast<UINT>(password_.Size()));
    RETURN_HR_IF(E_OUTOFMEMORY, !*password);
    return S_OK;
}

}  // namespace vantrel::companions
