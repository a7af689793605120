#include "views/DialInStore.h"

#include "common/Result.h"
#include "resources/UserPropsIds.h"

#include <oleauto.h>

namespace vantrel {

const std::array<DialInProperty, kDialInPropertyCount> kDialInProperties{{
    {PROPERTY_USER_ALLOW_DIALIN, IDS_DI_READ_PERMISSION, IDS_DI_SET_PERMISSION},
    {PROPERTY_USER_CALLING_STATION_ID, IDS_DI_READ_CALLER_ID, IDS_DI_SET_CALLER_ID},
    {PROPERTY_USER_SAVED_CALLING_STATION_ID, IDS_DI_READ_CALLER_ID, IDS_DI_SET_CALLER_ID},
    {PROPERTY_USER_SERVICE_TYPE, IDS_DI_READ_CALLBACK, IDS_DI_SET_CALLBACK},
    {PROPERTY_USER_RADIUS_CALLBACK_NUMBER, IDS_DI_READ_NUMBER, IDS_DI_SET_NUMBER},
    {PROPERTY_USER_SAVED_RADIUS_CALLBACK_NUMBER, IDS_DI_READ_NUMBER, IDS_DI_SET_NUMBER},
    {PROPERTY_USER_RADIUS_FRAMED_IP_ADDRESS, IDS_DI_READ_ADDRESS, IDS_DI_SET_ADDRESS},
    {PROPERTY_USER_SAVED_RADIUS_FRAMED_IP_ADDRESS, IDS_DI_READ_ADDRESS, IDS_DI_SET_ADDRESS},
    {PROPERTY_USER_RADIUS_FRAMED_ROUTE, IDS_DI_READ_ROUTES, IDS_DI_SET_ROUTES},
    {PROPERTY_USER_SAVED_RADIUS_FRAMED_ROUTE, IDS_DI_READ_ROUTES, IDS_DI_SET_ROUTES},
}};

namespace {

enum Slot : size_t { kAllow, kCaller, kSavedCaller, kService, kNumber, kSavedNumber, kAddress, kSavedAddress, kRoutes, kSavedRoutes };

bool IsEmpty(const VARIANT& v) { return v.vt == VT_EMPTY || v.vt == VT_NULL; }

// The element texts of a one-dimensional array of variants (or of text).
std::vector<std::wstring> Texts(const VARIANT& value) {
    std::vector<std::wstring> texts;
    if (value.vt == VT_BSTR) {
        texts.emplace_back(value.bstrVal ? value.bstrVal : L"");
        return texts;
    }
    if (!(value.vt & VT_ARRAY) || !value.parray || ::SafeArrayGetDim(value.parray) != 1) return texts;
    LONG lower = 0, upper = -1;
    ::SafeArrayGetLBound(value.parray, 1, &lower);
    ::SafeArrayGetUBound(value.parray, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        UniqueVariant item;
        if ((value.vt & VT_TYPEMASK) == VT_VARIANT) {
            if (FAILED(::SafeArrayGetElement(value.parray, &i, item.Put()))) continue;
        } else if ((value.vt & VT_TYPEMASK) == VT_BSTR) {
            BSTR text = nullptr;
            if (FAILED(::SafeArrayGetElement(value.parray, &i, &text))) continue;
            VARIANT* v = item.Put();
            v->vt = VT_BSTR;
            v->bstrVal = text;
        } else {
            continue;
        }
        if (item.Get().vt == VT_BSTR) texts.emplace_back(item.Get().bstrVal ? item.Get().bstrVal : L"");
    }
    return texts;
}

std::wstring FirstText(const VARIANT& value) {
    const std::vector<std::wstring> texts = Texts(value);
    return texts.empty() ? std::wstring() : texts.front();
}

// An address is kept as a signed 32-bit integer: 128.0.0.0 and above read negative.
bool Number(const VARIANT& value, DWORD* number) {
    UniqueVariant converted;
    if (IsEmpty(value) || FAILED(::VariantChangeType(converted.Put(), const_cast<VARIANT*>(&value), 0, VT_I4)))
        return false;
    *number = static_cast<DWORD>(converted.Get().lVal);
    return true;
}

HRESULT TextArray(const std::vector<std::wstring>& texts, UniqueVariant* value) {
    value->Reset();
    if (texts.empty()) return S_OK;
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(texts.size()));
    RETURN_HR_IF(E_OUTOFMEMORY, !array);
    VARIANT* out = value->Put();
    out->vt = VT_ARRAY | VT_VARIANT;
    out->parray = array;
    for (LONG i = 0; i < static_cast<LONG>(texts.size()); ++i) {
        UniqueVariant item;
        VARIANT* v = item.Put();
        v->vt = VT_BSTR;
        v->bstrVal = ::SysAllocString(texts[static_cast<size_t>(i)].c_str());
        RETURN_HR_IF(E_OUTOFMEMORY, !v->bstrVal);
        RETURN_IF_FAILED(::SafeArrayPutElement(array, &i, v));
    }
    return S_OK;
}

HRESULT Text(const std::wstring& text, UniqueVariant* value) {
    VARIANT* v = value->Put();
    v->vt = VT_BSTR;
    v->bstrVal = ::SysAllocString(text.c_str());
    RETURN_HR_IF(E_OUTOFMEMORY, !v->bstrVal);
    return S_OK;
}

void Integer(LONG number, UniqueVariant* value) {
    VARIANT* v = value->Put();
    v->vt = VT_I4;
    v->lVal = number;
}

}  // namespace

std::vector<StaticRoute> RoutesFromValue(const VARIANT& value) {
    std::vector<StaticRoute> routes;
    for (const std::wstring& text : Texts(value)) {
        StaticRoute route;
        if (ParseRouteText(text, &route)) routes.push_back(route);
    }
    return routes;
}

HRESULT RouteArray(const std::vector<StaticRoute>& routes, UniqueVariant* value) {
    std::vector<std::wstring> texts;
    for (const StaticRoute& r : routes) texts.push_back(RouteText(r));
    return TextArray(texts, value);
}

DialInSettings SettingsFromValues(const DialInValues& v) {
    DialInSettings s;
    const VARIANT& allow = v[kAllow].Get();
    if (IsEmpty(allow)) s.permission = DialInPermission::Policy;
    else s.permission = allow.vt == VT_BOOL && allow.boolVal ? DialInPermission::Allow : DialInPermission::Deny;

    s.verifyCallerId = !IsEmpty(v[kCaller].Get());
    s.callerId = FirstText(s.verifyCallerId ? v[kCaller].Get() : v[kSavedCaller].Get());

    const bool always = !IsEmpty(v[kNumber].Get());
    s.callback = always ? Callback::Always : Callback::CallerSets;
    const VARIANT& number = always ? v[kNumber].Get() : v[kSavedNumber].Get();
    if (number.vt == VT_BSTR && number.bstrVal) s.callbackNumber = number.bstrVal;
    if (IsEmpty(v[kService].Get())) s.callback = Callback::None;

    s.staticAddress = Number(v[kAddress].Get(), &s.address);
    if (!s.staticAddress) Number(v[kSavedAddress].Get(), &s.address);

    s.applyRoutes = !IsEmpty(v[kRoutes].Get());
    s.routes = RoutesFromValue(s.applyRoutes ? v[kRoutes].Get() : v[kSavedRoutes].Get());
    return s;
}

HRESULT ValuesFromSettings(const DialInSettings& s, bool addressEnabled, bool routesEnabled, DialInValues* values) {
    RETURN_HR_IF(E_POINTER, !values);
    DialInValues& v = *values;
    for (UniqueVariant& value : v) value.Reset();
    if (s.permission != DialInPermission::Policy) {
        VARIANT* allow = v[kAllow].Put();
        allow->vt = VT_BOOL;
        allow->boolVal = s.permission == DialInPermission::Allow ? VARIANT_TRUE : VARIANT_FALSE;
    }
    if (s.verifyCallerId) RETURN_IF_FAILED(TextArray({s.callerId}, &v[kCaller]));
    if (!s.callerId.empty()) RETURN_IF_FAILED(TextArray({s.callerId}, &v[kSavedCaller]));
    if (s.callback != Callback::None) Integer(4, &v[kService]);
    if (s.callback == Callback::Always) RETURN_IF_FAILED(Text(s.callbackNumber, &v[kNumber]));
    if (!s.callbackNumber.empty()) RETURN_IF_FAILED(Text(s.callbackNumber, &v[kSavedNumber]));
    if (s.staticAddress && addressEnabled) Integer(static_cast<LONG>(s.address), &v[kAddress]);
    Integer(static_cast<LONG>(s.address), &v[kSavedAddress]);
    if (s.applyRoutes && routesEnabled) RETURN_IF_FAILED(RouteArray(s.routes, &v[kRoutes]));
    return RouteArray(s.routes, &v[kSavedRoutes]);
}

HRESULT ReadVersion4(const std::wstring& server, const std::wstring& user, DialInSettings* settings) {
    RETURN_HR_IF(E_POINTER, !settings);
    RAS_USER_0 record{};
    const DWORD status = plat::MprAdminUserGetInfo(server.c_str(), user.c_str(), 0, reinterpret_cast<LPBYTE>(&record));
    if (status != NO_ERROR) RETURN_WIN32(status);
    record.wszPhoneNumber[MAX_PHONE_NUMBER_LEN] = L'\0';
    *settings = SettingsFromPrivilege(record.bfPrivilege, record.wszPhoneNumber);
    return S_OK;
}

HRESULT WriteVersion4(const std::wstring& server, const std::wstring& user, const DialInSettings& settings) {
    RAS_USER_0 record{};
    record.bfPrivilege = PrivilegeFor(settings);
    lstrcpynW(record.wszPhoneNumber, settings.callbackNumber.c_str(), MAX_PHONE_NUMBER_LEN + 1);
    const DWORD status = plat::MprAdminUserSetInfo(server.c_str(), user.c_str(), 0, reinterpret_cast<LPBYTE>(&record));
    if (status != NO_ERROR) RETURN_WIN32(status);
    return S_OK;
}

HRESULT UserDataObject::Bind(const std::wstring& computer, const std::wstring& user, UINT* failedStep) {
    user_.Reset();
    *failedStep = IDS_DI_NO_MACHINE;
    ComPtr<ISdoMachine> machine;
    RETURN_IF_FAILED(plat::CreateSdoMachine(machine.Put()));
    RETURN_HR_IF(E_POINTER, !machine);
    UniqueBstr name(::SysAllocString(computer.c_str()));
    RETURN_HR_IF(E_OUTOFMEMORY, !name);
    RETURN_IF_FAILED(machine->Attach(name.Get()));
    *failedStep = IDS_DI_NO_USER;
    UniqueBstr userName(::SysAllocString(user.c_str()));
    RETURN_HR_IF(E_OUTOFMEMORY, !userName);
    ComPtr<IUnknown> object;
    RETURN_IF_FAILED(machine->GetUserSDO(DATA_STORE_LOCAL, userName.Get(), object.Put()));
    RETURN_HR_IF(E_POINTER, !object);
    RETURN_IF_FAILED(object.QueryTo(user_.Put()));
    *failedStep = 0;
    return S_OK;
}

HRESULT UserDataObject::Read(DialInValues* values, size_t* failedAt) {
    RETURN_HR_IF(E_UNEXPECTED, !user_);
    for (size_t i = 0; i < kDialInPropertyCount; ++i) {
        *failedAt = i;
        RETURN_IF_FAILED(user_->GetProperty(kDialInProperties[i].id, (*values)[i].Put()));
    }
    return S_OK;
}

HRESULT UserDataObject::Write(const DialInValues& values, size_t* failedAt) {
    RETURN_HR_IF(E_UNEXPECTED, !user_);
    for (size_t i = 0; i < kDialInPropertyCount; ++i) {
        *failedAt = i;
        UniqueVariant copy;
        RETURN_IF_FAILED(copy.CopyFrom(values[i].Get()));
        RETURN_IF_FAILED(user_->PutProperty(kDialInProperties[i].id, const_cast<VARIANT*>(&copy.Get())));
    }
    *failedAt = kDialInPropertyCount;
    return user_->Apply();
}

}  // namespace vantrel
