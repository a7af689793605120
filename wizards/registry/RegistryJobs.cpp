#include "wizards/registry/RegistryJobs.h"

#include "common/ErrorText.h"
#include "common/Handles.h"
#include "common/Result.h"
#include "credentials/Credentials.h"

namespace vantrel {
namespace {

constexpr DWORD kInProcess = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

// The result file: UTF-16LE without a byte-order mark, written piece by
// piece; the first failing write is the job's result.
class ResultFile {
public:
    HRESULT Create(const std::wstring& path) {
        file_.Reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,  // seam: local
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) return HResultFromLastError();
        return S_OK;
    }
    HRESULT Write(const std::wstring& piece) {
        const std::wstring limited = LimitPiece(piece);
        const DWORD bytes = static_cast<DWORD>(limited.size() * sizeof(wchar_t));
        DWORD written = 0;
        if (!::WriteFile(file_.Get(), limited.data(), bytes, &written, nullptr)) return HResultFromLastError();
        if (written != bytes) return HResultFromWin32(ERROR_WRITE_FAULT);
        return S_OK;
    }
    HRESULT Write(const std::vector<std::wstring>& pieces) {
        for (const std::wstring& piece : pieces) RETURN_IF_FAILED(Write(piece));
        return S_OK;
    }

private:
    UniqueFileHandle file_;
};

std::vector<std::wstring> StringsOf(const VARIANT& value) {
    std::vector<std::wstring> items;
    if (value.vt != (VT_ARRAY | VT_BSTR) || !value.parray) return items;
    LONG low = 0, high = -1;
    if (FAILED(::SafeArrayGetLBound(value.parray, 1, &low)) || FAILED(::SafeArrayGetUBound(value.parray, 1, &high)))
        return items;
    for (LONG i = low; i <= high; ++i) {
        UniqueBstr item;
        if (SUCCEEDED(::SafeArrayGetElement(value.parray, &i, item.Put())))
            items.emplace_back(item ? item.Get() : L"", item ? ::SysStringLen(item.Get()) : 0);
    }
    return items;
}

class OwnedVariant {
public:
    OwnedVariant() { ::VariantInit(&value_); }
    ~OwnedVariant() { ::VariantClear(&value_); }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;
    VARIANT* Put() { ::VariantClear(&value_); return &value_; }
    const VARIANT& Get() const { return value_; }

private:
    VARIANT value_;
};

}  // namespace

HRESULT ResultFilePath(const std::wstring& computer, std::wstring& path) {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return HResultFromLastError();
    path = std::wstring(folder, length) + computer + L".txt";
    return S_OK;
}

VARIANT EntryData(const RegistryEntry& entry, UniqueBstr& text) {
    VARIANT data;
    ::VariantInit(&data);
    if (!entry.TestsData()) return data;
    if (entry.type == RegEntryType::Dword) {
        data.vt = VT_I4;
        data.lVal = static_cast<LONG>(entry.number);
    } else {
        text.Reset(::SysAllocStringLen(entry.text.data(), static_cast<UINT>(entry.text.size())));
        data.vt = VT_BSTR;
        data.bstrVal = text.Get();
    }
    return data;
}

bool RegistryJob::Begin(std::wstring& machine, ComPtr<IRegistryComponent>& component) {
    if (!computerName || !*computerName.Get()) {
        status = HResultFromWin32(ERROR_INVALID_COMPUTERNAME);
        return false;
    }
    AlternateCredentials credentials;
    RecallCredentials(credentials);
    machine = std::wstring(L"\\\\") + computerName.Get();
    const HRESULT created = ::CoCreateInstance(CLSID_RegistryComponent, nullptr, kInProcess, IID_IRegistryComponent,
                                               component.PutVoid());
    if (FAILED(created)) {
        status = created;
        return false;
    }
    return true;
}

HRESULT RegistryQueryJob::Execute() {
    Query();
    AdvanceProgress();
    return status;
}

void RegistryQueryJob::Query() {
    compliant = 1;
    hadOmissions = 0;
    std::wstring machine;
    ComPtr<IRegistryComponent> component;
    if (!Begin(machine, component)) return;
    const std::wstring name = computerName.Get();
    std::wstring path;
    ResultFile file;
    HRESULT hr = ResultFilePath(name, path);
    if (SUCCEEDED(hr)) hr = file.Create(path);
    if (FAILED(hr)) {
        status = hr;
        return;
    }
    UniqueBstr machineText(::SysAllocString(machine.c_str()));
    status = S_OK;

    if (mode == kRegistryModeFile) {
        UniqueBstr fileText(::SysAllocString(regFile.c_str()));
        OwnedVariant missing;
        const HRESULT compared = component->CompareWithFile(machineText.Get(), fileText.Get(), missing.Put());
        if (FAILED(hr = file.Write(FileHeader(name)))) {
            status = hr;
            return;
        }
        if (FAILED(compared)) {
            status = compared;
            compliant = 0;
            if (FAILED(hr = file.Write(ReportLine(L"Result", ErrorTextLine(static_cast<DWORD>(compared)))))) status = hr;
            return;
        }
        std::vector<std::wstring> pieces = FileComparisonReport(name, regFile, StringsOf(missing.Get()));
        const bool compliantFile = missing.Get().vt != (VT_ARRAY | VT_BSTR);
        pieces.erase(pieces.begin());  // the header is written
        if (FAILED(hr = file.Write(pieces))) {
            status = hr;
            return;
        }
        if (!compliantFile) {
            compliant = 0;
            hadOmissions = 1;
        }
        return;
    }

    if (FAILED(hr = file.Write(IndividualHeader(name)))) {
        status = hr;
        return;
    }
    for (const RegistryEntry& entry : entries) {
        UniqueBstr key(::SysAllocString(entry.key.c_str()));
        UniqueBstr value(::SysAllocString(entry.type == RegEntryType::Key ? L"" : entry.valueName.c_str()));
        UniqueBstr text;
        VARIANT_BOOL holds = VARIANT_FALSE;
        EntryAnswer answer;
        answer.code = component->TestEntry(machineText.Get(), key.Get(), value.Get(), EntryData(entry, text),
                                           entry.RegistryType(), &holds);
        answer.holds = holds != VARIANT_FALSE;
        if (AnswerFails(answer)) {
            status = answer.code;
            answer.failureText = ErrorTextLine(static_cast<DWORD>(answer.code));
        }
        if (AnswerIsNegative(answer)) compliant = 0;
        if (FAILED(hr = file.Write(EntryReport(entry, answer)))) {
            status = hr;
            return;
        }
    }
    if (compliant && FAILED(hr = file.Write(kComplianceSentence))) {
        status = hr;
        return;
    }
    hadOmissions = compliant ? 0 : 1;
}

HRESULT RegistryModifyJob::Execute() {
    Modify();
    AdvanceProgress();
    return status;
}

void RegistryModifyJob::Modify() {
    std::wstring machine;
    ComPtr<IRegistryComponent> component;
    if (!Begin(machine, component)) return;
    UniqueBstr machineText(::SysAllocString(machine.c_str()));
    if (mode == kRegistryModeFile) {
        UniqueBstr fileText(::SysAllocString(regFile.c_str()));
        OwnedVariant failed;
        const HRESULT imported = component->ImportFile(machineText.Get(), fileText.Get(), failed.Put());
        if (FAILED(imported)) {
            status = imported;
        } else {
            status = failed.Get().vt == (VT_ARRAY | VT_BSTR) ? E_FAIL : S_OK;
        }
        return;
    }
    status = S_OK;
    for (const RegistryEntry& entry : entries) {
        UniqueBstr key(::SysAllocString(entry.key.c_str()));
        UniqueBstr value(::SysAllocString(entry.type == RegEntryType::Key ? L"" : entry.valueName.c_str()));
        UniqueBstr text;
        long size = 0;
        if (entry.type == RegEntryType::Dword) size = 4;
        if (entry.type == RegEntryType::String && entry.TestsData()) size = static_cast<long>(2 * entry.text.size());
        status = component->WriteEntry(machineText.Get(), key.Get(), value.Get(), EntryData(entry, text),
                                       entry.RegistryType(), size);
    }
}

}  // namespace vantrel
