#include "common/ObjectPicker.h"

#include "common/Result.h"

#include <oleauto.h>

namespace vantrel {

namespace {

constexpr const wchar_t* kSidAttribute = L"objectSid";

// The storage medium GetData filled, released on every way out.
class Medium {
public:
    Medium() = default;
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;
    ~Medium() {
        if (medium_.tymed != TYMED_NULL) ::ReleaseStgMedium(&medium_);
    }
    STGMEDIUM* Put() noexcept { return &medium_; }
    HGLOBAL Global() const noexcept { return medium_.tymed == TYMED_HGLOBAL ? medium_.hGlobal : nullptr; }

private:
    STGMEDIUM medium_{};
};

class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL block) : block_(block), data_(block ? ::GlobalLock(block) : nullptr) {}
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    ~GlobalLockGuard() {
        if (data_) ::GlobalUnlock(block_);
    }
    void* Data() const noexcept { return data_; }

private:
    HGLOBAL block_;
    void* data_;
};

std::wstring Text(const wchar_t* s) { return s ? std::wstring(s) : std::wstring(); }

std::vector<BYTE> BytesOf(const VARIANT& value) {
    if (value.vt != (VT_ARRAY | VT_UI1) || !value.parray || ::SafeArrayGetDim(value.parray) != 1) return {};
    LONG lower = 0, upper = -1;
    if (FAILED(::SafeArrayGetLBound(value.parray, 1, &lower)) || FAILED(::SafeArrayGetUBound(value.parray, 1, &upper)) ||
        upper < lower)
        return {};
    void* data = nullptr;
    if (FAILED(::SafeArrayAccessData(value.parray, &data))) return {};
    const auto* bytes = static_cast<const BYTE*>(data);
    std::vector<BYTE> result(bytes, bytes + (upper - lower + 1));
    ::SafeArrayUnaccessData(value.parray);
    return result;
}

}  // namespace

HRESULT ObjectPicker::Initialize(const std::wstring& targetComputer, const std::vector<PickerScope>& scopes,
                                 ULONG options, bool fetchSid) {
    picker_.Reset();
    RETURN_HR_IF(E_INVALIDARG, scopes.empty());
    std::vector<DSOP_SCOPE_INIT_INFO> infos(scopes.size());
    for (size_t i = 0; i < scopes.size(); ++i) {
        DSOP_SCOPE_INIT_INFO& info = infos[i];
        info.cbSize = sizeof(info);
        info.flType = scopes[i].type;
        info.flScope = scopes[i].flags;
        info.FilterFlags.Uplevel.flBothModes = scopes[i].uplevelFilter;
        info.FilterFlags.flDownlevel = scopes[i].downlevelFilter;
    }
    PCWSTR attributes[] = {kSidAttribute};
    DSOP_INIT_INFO init{};
    init.cbSize = sizeof(init);
    init.pwzTargetComputer = targetComputer.empty() ? nullptr : targetComputer.c_str();
    init.cDsScopeInfos = static_cast<ULONG>(infos.size());
    init.aDsScopeInfos = infos.data();
    init.flOptions = options;
    init.cAttributesToFetch = fetchSid ? 1 : 0;
    init.apwzAttributeNames = fetchSid ? attributes : nullptr;

    ComPtr<IDsObjectPicker> picker;
    RETURN_IF_FAILED(plat::CreateDsObjectPicker(picker.Put()));
    RETURN_HR_IF(E_POINTER, !picker);
    RETURN_IF_FAILED(picker->Initialize(&init));
    picker_ = std::move(picker);
    fetchSid_ = fetchSid;
    return S_OK;
}

HRESULT ObjectPicker::Show(HWND owner, std::vector<PickedObject>* picked) {
    RETURN_HR_IF(E_POINTER, !picked);
    picked->clear();
    RETURN_HR_IF(E_UNEXPECTED, !picker_);
    ComPtr<IDataObject> data;
    const HRESULT shown = picker_->InvokeDialog(owner, data.Put());
    RETURN_IF_FAILED(shown);
    if (shown == S_FALSE || !data) return S_FALSE;

    FORMATETC format{};
    format.cfFormat = static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(CFSTR_DSOP_DS_SELECTION_LIST));
    RETURN_LAST_ERROR_IF(format.cfFormat == 0);
    format.dwAspect = DVASPECT_CONTENT;
    format.lindex = -1;
    format.tymed = TYMED_HGLOBAL;
    Medium medium;
    RETURN_IF_FAILED(data->GetData(&format, medium.Put()));
    RETURN_HR_IF(DV_E_TYMED, !medium.Global());
    GlobalLockGuard lock(medium.Global());
    RETURN_LAST_ERROR_IF(!lock.Data());
    *picked = ReadSelectionList(*static_cast<const DS_SELECTION_LIST*>(lock.Data()),
                                fetchSid_ ? std::vector<std::wstring>{kSidAttribute} : std::vector<std::wstring>{});
    return picked->empty() ? S_FALSE : S_OK;
}

std::vector<PickedObject> ReadSelectionList(const DS_SELECTION_LIST& list, const std::vector<std::wstring>& attributes) {
    // The attribute's position among those the picker fetched.
    size_t sidIndex = attributes.size();
    for (size_t i = 0; i < attributes.size(); ++i)
        if (::lstrcmpiW(attributes[i].c_str(), kSidAttribute) == 0) sidIndex = i;
    std::vector<PickedObject> result;
    result.reserve(list.cItems);
    // The items run on past the one the structure declares.
    const DS_SELECTION* items = list.aDsSelection;
    for (ULONG i = 0; i < list.cItems; ++i) {
        const DS_SELECTION& item = items[i];
        PickedObject object;
        object.name = Text(item.pwzName);
        object.path = Text(item.pwzADsPath);
        object.objectClass = Text(item.pwzClass);
        object.upn = Text(item.pwzUPN);
        if (item.pvarFetchedAttributes && sidIndex < list.cFetchedAttributes)
            object.sid = BytesOf(item.pvarFetchedAttributes[sidIndex]);
        result.push_back(std::move(object));
    }
    return result;
}

}  // namespace vantrel
