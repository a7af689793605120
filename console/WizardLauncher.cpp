#include "console/WizardLauncher.h"

#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/Handles.h"

#include <cwchar>

namespace console {

const std::vector<WizardOperation>& WizardOperations() {
    static const std::vector<WizardOperation> operations = {
        {L"guest", MCO_DISABLE_GUEST_ACCOUNT, L"Disable &Guest Accounts...", L"Disable Guest Accounts Wizard"},
        {L"adminpw", MCO_RESET_LOCAL_ADMIN_PASSWORD, L"Reset Local &Administrator's Password...",
         L"Reset Local Administrator's Password Wizard"},
        {L"registry", MCO_VALIDATE_REGISTRY_ENTRIES, L"Manage &Registry Entries...", L"Manage Registry Entries Wizard"},
        {L"dns", MCO_CHECK_DNS_RECORDS, L"Check &DNS Records...", L"Check DNS Records Wizard"},
    };
    return operations;
}

const WizardOperation* FindWizardOperation(const std::wstring& name) {
    for (const WizardOperation& op : WizardOperations())
        if (name == op.name) return &op;
    return nullptr;
}

HRESULT ComputersFromList(const std::vector<ComputerChoice>& computers, VARIANT* value) {
    ::VariantInit(value);
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(computers.size()));
    if (!array) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(computers.size()); ++i) {
        const ComputerChoice& c = computers[static_cast<size_t>(i)];
        vantrel::ComPtr<IBrevCompInfo> info;
        HRESULT hr = ::CoCreateInstance(CLSID_BrevCompInfo, nullptr, CLSCTX_INPROC_SERVER, IID_IBrevCompInfo,
                                        info.PutVoid());
        if (SUCCEEDED(hr)) hr = info->put_NetBIOSName(vantrel::UniqueBstr(::SysAllocString(c.name.c_str())).Get());
        const std::wstring& path = c.credentialsPath.empty() ? c.name : c.credentialsPath;
        if (SUCCEEDED(hr)) hr = info->put_CredentialsPath(vantrel::UniqueBstr(::SysAllocString(path.c_str())).Get());
        if (SUCCEEDED(hr)) hr = info->put_HierarchicalRecallOptions(c.recallOptions);
        VARIANT element;
        ::VariantInit(&element);
        if (SUCCEEDED(hr)) {
            element.vt = VT_UNKNOWN;
            element.punkVal = info.Get();  // SafeArrayPutElement adds its own reference
            hr = ::SafeArrayPutElement(array, &i, &element);
        }
        if (FAILED(hr)) {
            ::SafeArrayDestroy(array);
            return hr;
        }
    }
    value->vt = VT_ARRAY | VT_VARIANT;
    value->parray = array;
    return S_OK;
}

HRESULT ComputersFromText(const std::wstring& names, VARIANT* value) {
    ::VariantInit(value);
    value->bstrVal = ::SysAllocStringLen(names.data(), static_cast<UINT>(names.size()));
    if (!value->bstrVal) return E_OUTOFMEMORY;
    value->vt = VT_BSTR;
    return S_OK;
}

size_t ComputerCount(const VARIANT& value) {
    if (value.vt == VT_BSTR && value.bstrVal && *value.bstrVal) {
        size_t count = 1;
        for (const wchar_t* p = value.bstrVal; *p; ++p) count += *p == L',';
        return count;
    }
    if (value.vt == (VT_ARRAY | VT_VARIANT) && value.parray && value.parray->cDims == 1)
        return value.parray->rgsabound[0].cElements;
    return 0;
}

std::wstring TooManyComputersText(size_t count) {
    wchar_t text[256];
    std::swprintf(text, 256,
                  L"%zu computers are chosen, but one run of a wizard works on at most %zu.\r\n"
                  L"Choose fewer computers and run the wizard again for the others.",
                  count, kMaxWizardComputers);
    return text;
}

HRESULT PrepareOperationWizard(HWND owner, long operation, const VARIANT& computers, IMultiComputerOp** op) {
    *op = nullptr;
    vantrel::ComPtr<IMultiComputerOp> wizard;
    HRESULT hr = ::CoCreateInstance(CLSID_MultiComputerOp, nullptr, CLSCTX_INPROC_SERVER, IID_IMultiComputerOp,
                                    wizard.PutVoid());
    if (SUCCEEDED(hr)) hr = wizard->put_OperationType(operation);
    if (SUCCEEDED(hr)) hr = wizard->put_Computers(computers);
    if (SUCCEEDED(hr)) hr = wizard->Create(static_cast<long>(reinterpret_cast<LONG_PTR>(owner)));
    if (FAILED(hr)) return hr;
    *op = wizard.Detach();
    return S_OK;
}

HRESULT RunOperationWizard(HWND owner, long operation, const VARIANT& computers) {
    const size_t count = ComputerCount(computers);
    if (count > kMaxWizardComputers) {
        ::MessageBoxW(owner, TooManyComputersText(count).c_str(), L"Vantrel Console", MB_ICONINFORMATION);
        return E_INVALIDARG;
    }
    vantrel::ComPtr<IMultiComputerOp> wizard;
    HRESULT hr = PrepareOperationWizard(owner, operation, computers, wizard.Put());
    if (SUCCEEDED(hr)) hr = wizard->Start();
    if (FAILED(hr)) {
        wchar_t text[128];
        std::swprintf(text, 128, L"The wizard could not be started (0x%08lX).", static_cast<unsigned long>(hr));
        ::MessageBoxW(owner, text, L"Vantrel Console", MB_ICONERROR);
    }
    return hr;
}

HRESULT RunServicesWizard(HWND owner, const VARIANT& computers) {
    vantrel::ComPtr<IMngSvcsWizard> wizard;
    HRESULT hr = ::CoCreateInstance(CLSID_MngSvcsWizard, nullptr, CLSCTX_INPROC_SERVER, IID_IMngSvcsWizard,
                                    wizard.PutVoid());
    if (SUCCEEDED(hr)) hr = wizard->Create(static_cast<long>(reinterpret_cast<LONG_PTR>(owner)));
    VARIANT value = computers;  // put_Computers reads it only
    if (SUCCEEDED(hr)) hr = wizard->put_Computers(&value);
    if (SUCCEEDED(hr)) hr = wizard->Start();
    if (FAILED(hr)) {
        wchar_t text[128];
        std::swprintf(text, 128, L"The Manage Services Wizard could not be started (0x%08lX).",
                      static_cast<unsigned long>(hr));
        ::MessageBoxW(owner, text, L"Vantrel Console", MB_ICONERROR);
    }
    return hr;
}

}  // namespace console
