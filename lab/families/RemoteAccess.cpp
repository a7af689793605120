// Remote access: each computer's dial-in settings of its users, kept once
// and read through both of the platform's ways to them. Servers of version 4
// answer MprAdminUserGetInfo / MprAdminUserSetInfo with the level-0 record
// (privilege bits and callback number); the server data objects (machine,
// Attach, GetUserSDO, then GetProperty / PutProperty / Apply on the user
// object) answer on every computer with the user properties 0x400-0x409. A
// user without settings of its own reads "no callback, not allowed" (version
// 4) and empty properties (data objects: access by policy).
//
// Scenario: a computer's "dialIn" lists settings per user:
//   { "user": "support", "privilege": 10, "phoneNumber": "5551234",
//     "properties": { "allowDialin": true, "callingStationId": "5550000",
//                     "serviceType": 4, "callbackNumber": "5551234",
//                     "framedIpAddress": "10.0.0.7", "framedRoutes": ["10.1.0.0/16 0.0.0.0 1"],
//                     "savedCallbackNumber": ..., "savedCallingStationId": ...,
//                     "savedFramedIpAddress": ..., "savedFramedRoutes": [...] } }
#include "platform/RemoteAccess.h"

#include "lab/AccountDatabase.h"
#include "lab/ComObject.h"
#include "lab/Gate.h"
#include "lab/Json.h"
#include "lab/Schema.h"
#include "lab/Sections.h"
#include "lab/Text.h"

#include <oleauto.h>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr HRESULT kHrUserNotFound = static_cast<HRESULT>(0x800708AD);
constexpr LONG kFirstProperty = PROPERTY_USER_CALLING_STATION_ID;
constexpr LONG kLastProperty = PROPERTY_USER_SERVICE_TYPE;
constexpr size_t kPropertyCount = kLastProperty - kFirstProperty + 1;

// One stored property, kept as plain data: the records live as long as the
// network, and holding platform strings there would leave them to the
// process's string cache when a network is replaced. VARIANTs are made only
// when a caller reads or writes.
struct Value {
    enum class Kind { Empty, Boolean, Number, Text, Texts } kind = Kind::Empty;
    bool boolean = false;
    LONG number = 0;
    std::wstring text;
    std::vector<std::wstring> texts;

    HRESULT To(VARIANT* out) const;
    HRESULT From(const VARIANT& in);
};

HRESULT Value::To(VARIANT* out) const {
    ::VariantInit(out);
    switch (kind) {
        case Kind::Empty: return S_OK;
        case Kind::Boolean:
            out->vt = VT_BOOL;
            out->boolVal = boolean ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case Kind::Number:
            out->vt = VT_I4;
            out->lVal = number;
            return S_OK;
        case Kind::Text:
            out->bstrVal = ::SysAllocString(text.c_str());
            if (!out->bstrVal) return E_OUTOFMEMORY;
            out->vt = VT_BSTR;
            return S_OK;
        case Kind::Texts: {
            SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(texts.size()));
            if (!array) return E_OUTOFMEMORY;
            for (LONG i = 0; i < static_cast<LONG>(texts.size()); ++i) {
                VARIANT item;
                item.vt = VT_BSTR;
                item.bstrVal = ::SysAllocString(texts[static_cast<size_t>(i)].c_str());
                const HRESULT hr = item.bstrVal ? ::SafeArrayPutElement(array, &i, &item) : E_OUTOFMEMORY;
                ::VariantClear(&item);
                if (FAILED(hr)) {
                    ::SafeArrayDestroy(array);
                    return hr;
                }
            }
            out->vt = VT_ARRAY | VT_VARIANT;
            out->parray = array;
            return S_OK;
        }
    }
    return E_UNEXPECTED;
}

// Empty, booleans, integers, text, and one-dimensional arrays of text (as
// variants or as strings); anything else is a type the store does not keep.
HRESULT Value::From(const VARIANT& in) {
    Value v;
    if (in.vt == VT_EMPTY || in.vt == VT_NULL) {
    } else if (in.vt == VT_BOOL) {
        v.kind = Kind::Boolean;
        v.boolean = in.boolVal != VARIANT_FALSE;
    } else if (in.vt == VT_BSTR) {
        v.kind = Kind::Text;
        v.text = in.bstrVal ? std::wstring(in.bstrVal, ::SysStringLen(in.bstrVal)) : std::wstring();
    } else if (in.vt == (VT_ARRAY | VT_VARIANT) || in.vt == (VT_ARRAY | VT_BSTR)) {
        if (!in.parray || ::SafeArrayGetDim(in.parray) != 1) return DISP_E_TYPEMISMATCH;
        LONG lower = 0, upper = -1;
        ::SafeArrayGetLBound(in.parray, 1, &lower);
        ::SafeArrayGetUBound(in.parray, 1, &upper);
        v.kind = Kind::Texts;
        for (LONG i = lower; i <= upper; ++i) {
            VARIANT item;
            ::VariantInit(&item);
            HRESULT hr = S_OK;
            if (in.vt == (VT_ARRAY | VT_VARIANT)) {
                hr = ::SafeArrayGetElement(in.parray, &i, &item);
            } else {
                item.vt = VT_BSTR;
                hr = ::SafeArrayGetElement(in.parray, &i, &item.bstrVal);
            }
            const bool text = SUCCEEDED(hr) && item.vt == VT_BSTR;
            if (text) v.texts.emplace_back(item.bstrVal ? item.bstrVal : L"");
            ::VariantClear(&item);
            if (!text) return FAILED(hr) ? hr : DISP_E_TYPEMISMATCH;
        }
    } else {
        VARIANT number;
        ::VariantInit(&number);
        if (FAILED(::VariantChangeType(&number, const_cast<VARIANT*>(&in), 0, VT_I4))) return DISP_E_TYPEMISMATCH;
        v.kind = Kind::Number;
        v.number = number.lVal;
    }
    *this = std::move(v);
    return S_OK;
}

using Properties = std::array<Value, kPropertyCount>;

struct DialInRecord {
    BYTE privilege = RASPRIV_NoCallback;
    std::wstring phoneNumber;
    Properties properties;
};

struct DialInSettings {
    std::map<std::wstring, DialInRecord> users;  // upper-cased user names
};

DialInRecord* FindRecord(lab::Computer& c, std::wstring_view user, bool create) {
    auto& users = c.Section<DialInSettings>().users;
    const std::wstring key = lab::Upper(user);
    auto it = users.find(key);
    if (it == users.end()) {
        if (!create) return nullptr;
        it = users.emplace(key, DialInRecord{}).first;
    }
    return &it->second;
}

const lab::LocalUser* FindUser(const lab::Computer& c, const wchar_t* user) {
    return user ? lab::AccountsOf(c).FindUser(user) : nullptr;
}

// --- the version-4 calls --------------------------------------------------

}  // namespace

DWORD WINAPI plat::MprAdminUserGetInfo(const WCHAR* lpszServer, const WCHAR* lpszUser, DWORD dwLevel, LPBYTE lpbBuffer) {
    if (!lpbBuffer || !lpszUser) return ERROR_INVALID_PARAMETER;
    lab::Gate gate(lpszServer, lab::Family::RemoteAccess, "MprAdminUserGetInfo");
    if (gate.Error()) return gate.Error();
    if (dwLevel != 0) return ERROR_INVALID_LEVEL;
    if (const DWORD denied = gate.RequireAdmin()) return denied;
    if (!FindUser(gate.Target(), lpszUser)) return NERR_UserNotFound;
    const DialInRecord* record = FindRecord(gate.Target(), lpszUser, false);
    auto& out = *reinterpret_cast<RAS_USER_0*>(lpbBuffer);
    out = RAS_USER_0{};
    out.bfPrivilege = record ? record->privilege : static_cast<BYTE>(RASPRIV_NoCallback);
    if (record) lstrcpynW(out.wszPhoneNumber, record->phoneNumber.c_str(), MAX_PHONE_NUMBER_LEN + 1);
    return NO_ERROR;
}

DWORD WINAPI plat::MprAdminUserSetInfo(const WCHAR* lpszServer, const WCHAR* lpszUser, DWORD dwLevel,
                                       const LPBYTE lpbBuffer) {
    if (!lpbBuffer || !lpszUser) return ERROR_INVALID_PARAMETER;
    lab::Gate gate(lpszServer, lab::Family::RemoteAccess, "MprAdminUserSetInfo");
    if (gate.Error()) return gate.Error();
    if (dwLevel != 0) return ERROR_INVALID_LEVEL;
    if (const DWORD denied = gate.RequireAdmin()) return denied;
    if (!FindUser(gate.Target(), lpszUser)) return NERR_UserNotFound;
    const auto& in = *reinterpret_cast<const RAS_USER_0*>(lpbBuffer);
    DialInRecord* record = FindRecord(gate.Target(), lpszUser, true);
    record->privilege = in.bfPrivilege;
    record->phoneNumber.assign(in.wszPhoneNumber, ::wcsnlen(in.wszPhoneNumber, MAX_PHONE_NUMBER_LEN + 1));
    return NO_ERROR;
}

DWORD WINAPI plat::MprAdminServerConnect(LPWSTR lpwsServerName, MPR_SERVER_HANDLE* phMprServer) {
    if (!phMprServer) return ERROR_INVALID_PARAMETER;
    *phMprServer = nullptr;
    lab::Gate gate(lpwsServerName, lab::Family::RemoteAccess, "MprAdminServerConnect");
    return gate.Error() ? gate.Error() : ERROR_SERVICE_NOT_ACTIVE;  // no routing service runs in the lab
}

VOID WINAPI plat::MprAdminServerDisconnect(MPR_SERVER_HANDLE) {}

namespace {

// --- the server data objects ----------------------------------------------

// An object of a dispatch interface, which answers for IDispatch too.
template <typename I, const IID* Id>
class DispatchObject : public lab::ComObject<lab::Implements<I, Id>> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out && iid == IID_IDispatch) {
            *out = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        return lab::ComObject<lab::Implements<I, Id>>::QueryInterface(iid, out);
    }

protected:
    using lab::ComObject<lab::Implements<I, Id>>::ComObject;
};

#define LAB_NO_DISPATCH                                                                                        \
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {                                        \
        if (!count) return E_POINTER;                                                                          \
        *count = 0;                                                                                            \
        return S_OK;                                                                                           \
    }                                                                                                          \
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }             \
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; } \
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { \
        return E_NOTIMPL;                                                                                      \
    }

const IID kIidSdo = __uuidof(ISdo);
const IID kIidSdoMachine = __uuidof(ISdoMachine);

class LabUserSdo final : public DispatchObject<ISdo, &kIidSdo> {
public:
    LabUserSdo(const std::wstring& computer, std::wstring user, const Properties& values)
        : DispatchObject(computer, "ISdoMachine::GetUserSDO", lab::Family::RemoteAccess, "ISdo"),
          user_(std::move(user)), values_(values) {}
    LAB_NO_DISPATCH

    HRESULT STDMETHODCALLTYPE GetPropertyInfo(LONG, IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProperty(LONG id, VARIANT* value) override {
        if (!value) return E_POINTER;
        ::VariantInit(value);
        if (const HRESULT hr = Enter("ISdo::GetProperty")) return hr;
        if (id < kFirstProperty || id > kLastProperty) return DISP_E_MEMBERNOTFOUND;
        return values_[id - kFirstProperty].To(value);
    }
    HRESULT STDMETHODCALLTYPE PutProperty(LONG id, VARIANT* value) override {
        if (!value) return E_POINTER;
        if (const HRESULT hr = Enter("ISdo::PutProperty")) return hr;
        if (id < kFirstProperty || id > kLastProperty) return DISP_E_MEMBERNOTFOUND;
        return values_[id - kFirstProperty].From(*value);
    }
    HRESULT STDMETHODCALLTYPE ResetProperty(LONG id) override {
        if (id < kFirstProperty || id > kLastProperty) return DISP_E_MEMBERNOTFOUND;
        values_[id - kFirstProperty] = Value{};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Apply() override {
        lab::Gate gate(Computer().c_str(), lab::Family::RemoteAccess, "ISdo::Apply");
        if (gate.Error()) return gate.ErrorAsHResult();
        if (const DWORD denied = gate.RequireAdmin()) return lab::ToHResult(denied);
        if (!FindUser(gate.Target(), user_.c_str())) return kHrUserNotFound;
        FindRecord(gate.Target(), user_, true)->properties = values_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Restore() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown**) override { return E_NOTIMPL; }

private:
    std::wstring user_;
    Properties values_;
};

class LabSdoMachine final : public DispatchObject<ISdoMachine, &kIidSdoMachine> {
public:
    explicit LabSdoMachine(const std::wstring& computer)
        : DispatchObject(computer, "CreateSdoMachine", lab::Family::RemoteAccess, "ISdoMachine") {}
    LAB_NO_DISPATCH

    HRESULT STDMETHODCALLTYPE Attach(BSTR computer) override {
        lab::Gate gate(computer, lab::Family::RemoteAccess, "ISdoMachine::Attach");
        if (gate.Error()) return gate.ErrorAsHResult();
        attached_ = gate.Target().name;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUserSDO(IASDATASTORE store, BSTR user, IUnknown** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (attached_.empty()) return E_UNEXPECTED;
        if (store != DATA_STORE_LOCAL || !user) return E_INVALIDARG;
        Properties values;
        std::wstring name;
        {
            lab::Gate gate(attached_.c_str(), lab::Family::RemoteAccess, "ISdoMachine::GetUserSDO");
            if (gate.Error()) return gate.ErrorAsHResult();
            if (const DWORD denied = gate.RequireAdmin()) return lab::ToHResult(denied);
            const lab::LocalUser* found = FindUser(gate.Target(), user);
            if (!found) return kHrUserNotFound;
            name = found->name;
            if (const DialInRecord* record = FindRecord(gate.Target(), name, false)) values = record->properties;
        }
        *out = static_cast<ISdo*>(new LabUserSdo(attached_, name, values));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDictionarySDO(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetServiceSDO(IASDATASTORE, BSTR, IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOSType(IASOSTYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDomainType(IASDOMAINTYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirectoryAvailable(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAttachedComputer(BSTR* name) override {
        if (!name) return E_POINTER;
        *name = ::SysAllocString(attached_.c_str());
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE GetSDOSchema(IUnknown**) override { return E_NOTIMPL; }

private:
    std::wstring attached_;
};

#undef LAB_NO_DISPATCH

// --- scenario -------------------------------------------------------------

DWORD ParseAddress(const std::wstring& text, bool& ok) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    wchar_t extra = 0;
    ok = swscanf(text.c_str(), L"%u.%u.%u.%u%lc", &a, &b, &c, &d, &extra) == 4 && a < 256 && b < 256 && c < 256 &&
         d < 256;
    return (a << 24) | (b << 16) | (c << 8) | d;
}

void PutText(Value& v, const std::wstring& text) {
    v = Value{};
    v.kind = Value::Kind::Text;
    v.text = text;
}

void PutTextArray(Value& v, const std::vector<std::wstring>& texts) {
    v = Value{};
    v.kind = Value::Kind::Texts;
    v.texts = texts;
}

void PutNumber(Value& v, LONG number) {
    v = Value{};
    v.kind = Value::Kind::Number;
    v.number = number;
}

Value& Slot(Properties& p, LONG id) { return p[id - kFirstProperty]; }

void ReadProperties(const lab::json::Value& value, const std::string& path, Properties& p, lab::Diagnostics& diag) {
    lab::ObjectReader r(value, path, diag);
    if (const lab::json::Value* allow = r.Take("allowDialin")) {
        if (lab::ExpectType(*allow, lab::json::Type::Bool, r.PathOf("allowDialin"), diag)) {
            Value& v = Slot(p, PROPERTY_USER_ALLOW_DIALIN);
            v.kind = Value::Kind::Boolean;
            v.boolean = allow->boolean;
        }
    }
    const struct {
        const char* key;
        LONG id;
        bool array;
    } texts[] = {
        {"callingStationId", PROPERTY_USER_CALLING_STATION_ID, true},
        {"savedCallingStationId", PROPERTY_USER_SAVED_CALLING_STATION_ID, true},
        {"callbackNumber", PROPERTY_USER_RADIUS_CALLBACK_NUMBER, false},
        {"savedCallbackNumber", PROPERTY_USER_SAVED_RADIUS_CALLBACK_NUMBER, false},
    };
    for (const auto& t : texts) {
        std::wstring text;
        r.String(t.key, text);
        if (text.empty()) continue;
        if (t.array) PutTextArray(Slot(p, t.id), {text});
        else PutText(Slot(p, t.id), text);
    }
    DWORD serviceType = 0;
    r.Number("serviceType", serviceType);
    if (serviceType) PutNumber(Slot(p, PROPERTY_USER_SERVICE_TYPE), static_cast<LONG>(serviceType));
    for (const auto& [key, id] : {std::pair{"framedIpAddress", PROPERTY_USER_RADIUS_FRAMED_IP_ADDRESS},
                                  std::pair{"savedFramedIpAddress", PROPERTY_USER_SAVED_RADIUS_FRAMED_IP_ADDRESS}}) {
        std::wstring text;
        r.String(key, text);
        if (text.empty() || !diag.Ok()) continue;
        bool ok = false;
        const DWORD address = ParseAddress(text, ok);
        if (!ok) diag.Fail(r.LineOf(key), r.PathOf(key), "expected an IPv4 address like 10.0.0.5");
        else PutNumber(Slot(p, id), static_cast<LONG>(address));
    }
    for (const auto& [key, id] : {std::pair{"framedRoutes", PROPERTY_USER_RADIUS_FRAMED_ROUTE},
                                  std::pair{"savedFramedRoutes", PROPERTY_USER_SAVED_RADIUS_FRAMED_ROUTE}}) {
        std::vector<std::wstring> routes;
        r.StringList(key, routes);
        if (!routes.empty()) PutTextArray(Slot(p, id), routes);
    }
    r.Finish();
}

void ReadDialIn(const lab::json::Value* value, const std::string& path, lab::Computer& computer, lab::Diagnostics& diag) {
    lab::ReadItems(value, path, diag, [&](const lab::json::Value& item, const std::string& itemPath) {
        lab::ObjectReader r(item, itemPath, diag);
        std::wstring user;
        r.String("user", user, lab::Need::Required);
        DialInRecord record;
        DWORD privilege = RASPRIV_NoCallback;
        r.Number("privilege", privilege, lab::Need::Optional, 0, 0xFF);
        record.privilege = static_cast<BYTE>(privilege);
        r.String("phoneNumber", record.phoneNumber);
        if (record.phoneNumber.size() > MAX_PHONE_NUMBER_LEN)
            diag.Fail(r.LineOf("phoneNumber"), r.PathOf("phoneNumber"), "expected at most 128 characters");
        if (const lab::json::Value* properties = r.Take("properties"))
            ReadProperties(*properties, r.PathOf("properties"), record.properties, diag);
        r.Finish();
        if (diag.Ok()) computer.Section<DialInSettings>().users[lab::Upper(user)] = std::move(record);
    });
}

const lab::SectionRegistration kDialIn{lab::ComputerSectionHandler{"dialIn", &ReadDialIn, nullptr}};

}  // namespace

HRESULT WINAPI plat::CreateSdoMachine(ISdoMachine** ppMachine) {
    if (!ppMachine) return E_POINTER;
    *ppMachine = nullptr;
    std::wstring computer;
    {
        lab::Gate gate(nullptr, lab::Family::RemoteAccess, "CreateSdoMachine");
        if (gate.Error()) return gate.ErrorAsHResult();
        computer = gate.Target().name;
    }
    *ppMachine = new LabSdoMachine(computer);
    return S_OK;
}
