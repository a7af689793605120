// The directory service: ADsGetObject on "WinNT://" paths, binding the user
// objects of a computer's account database. A bound object keeps a property
// cache filled at bind time (as the provider's implicit GetInfo does); Get,
// Put and the typed accessors work on that cache, SetInfo writes what was
// put back to the account database and GetInfo reads it again.
//
// Paths: "WinNT://DOMAIN/COMPUTER/user,user" or "WinNT://COMPUTER/user,user"
// (the class suffix is optional). A path of another provider or of another
// shape is E_ADS_BAD_PATHNAME; a computer nobody answers for, or one that is
// named under a domain it is not in, is 0x80070035; an unknown user is
// 0x800708AD. Binding and SetInfo are open to the computer's administrators
// only (0x80070005).
#include "platform/DirectoryService.h"

#include "lab/AccountDatabase.h"
#include "lab/ComObject.h"
#include "lab/Gate.h"
#include "lab/Text.h"

#include <adserr.h>
#include <oleauto.h>

#include <map>
#include <string>
#include <vector>

namespace {

constexpr HRESULT kHrUserNotFound = static_cast<HRESULT>(0x800708AD);  // NERR_UserNotFound
constexpr HRESULT kHrBadNetPath = static_cast<HRESULT>(0x80070035);
// The flags a write of "UserFlags" may change; the account type stays.
constexpr DWORD kWritableFlags = UF_ACCOUNTDISABLE | UF_PASSWD_CANT_CHANGE | UF_DONT_EXPIRE_PASSWD | UF_LOCKOUT |
                                 UF_PASSWD_NOTREQD | UF_HOMEDIR_REQUIRED;

enum class Kind { Text, Number };
struct Property {
    const wchar_t* name;
    Kind kind;
};
// The user properties the lab backs, under the WinNT provider's names.
constexpr Property kProperties[] = {
    {L"FullName", Kind::Text},    {L"Description", Kind::Text},   {L"Profile", Kind::Text},
    {L"LoginScript", Kind::Text}, {L"HomeDirectory", Kind::Text}, {L"HomeDirDrive", Kind::Text},
    {L"UserFlags", Kind::Number}, {L"PasswordExpired", Kind::Number},
};

const Property* FindProperty(std::wstring_view name) {
    for (const Property& p : kProperties) {
        if (lab::EqualsNoCase(p.name, name)) return &p;
    }
    return nullptr;
}

struct Values {
    std::map<std::wstring, std::wstring> text;  // by the property's own name
    std::map<std::wstring, LONG> number;
};

Values Read(const lab::LocalUser& u) {
    Values v;
    v.text = {{L"FullName", u.fullName},        {L"Description", u.comment},         {L"Profile", u.profilePath},
              {L"LoginScript", u.logonScript}, {L"HomeDirectory", u.homeDirectory}, {L"HomeDirDrive", u.homeDrive}};
    v.number = {{L"UserFlags", static_cast<LONG>(u.flags)}, {L"PasswordExpired", u.passwordExpired ? 1 : 0}};
    return v;
}

void Write(const Values& v, const std::vector<std::wstring>& changed, lab::LocalUser& u) {
    for (const std::wstring& name : changed) {
        if (name == L"FullName") u.fullName = v.text.at(name);
        else if (name == L"Description") u.comment = v.text.at(name);
        else if (name == L"Profile") u.profilePath = v.text.at(name);
        else if (name == L"LoginScript") u.logonScript = v.text.at(name);
        else if (name == L"HomeDirectory") u.homeDirectory = v.text.at(name);
        else if (name == L"HomeDirDrive") u.homeDrive = v.text.at(name);
        else if (name == L"PasswordExpired") u.passwordExpired = v.number.at(name) != 0;
        else if (name == L"UserFlags") {
            const DWORD wanted = static_cast<DWORD>(v.number.at(name));
            DWORD flags = (u.flags & ~kWritableFlags) | (wanted & kWritableFlags);
            // A lockout can be cleared, never set by a write.
            if (!(u.flags & UF_LOCKOUT)) flags &= ~UF_LOCKOUT;
            u.flags = flags;
        }
    }
}

struct ParsedPath {
    std::wstring domain;  // empty when the path names the computer only
    std::wstring computer;
    std::wstring user;
};

bool ParsePath(std::wstring_view path, ParsedPath& out) {
    constexpr std::wstring_view kPrefix = L"WinNT://";
    if (path.size() <= kPrefix.size() || path.substr(0, kPrefix.size()) != kPrefix) return false;
    std::wstring_view rest = path.substr(kPrefix.size());
    if (const size_t comma = rest.find(L','); comma != std::wstring_view::npos) {
        if (!lab::EqualsNoCase(rest.substr(comma + 1), L"user")) return false;
        rest = rest.substr(0, comma);
    }
    std::vector<std::wstring> parts;
    for (size_t start = 0;;) {
        const size_t slash = rest.find(L'/', start);
        parts.emplace_back(rest.substr(start, slash == std::wstring_view::npos ? std::wstring_view::npos : slash - start));
        if (parts.back().empty()) return false;
        if (slash == std::wstring_view::npos) break;
        start = slash + 1;
    }
    if (parts.size() == 3) out = {parts[0], parts[1], parts[2]};
    else if (parts.size() == 2) out = {L"", parts[0], parts[1]};
    else return false;
    return true;
}

HRESULT Out(std::wstring_view text, BSTR* value) {
    if (!value) return E_POINTER;
    *value = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *value ? S_OK : E_OUTOFMEMORY;
}

class LabUser final : public lab::ComObject<lab::Implements<IADsUser, &IID_IADsUser>> {
public:
    // IADsUser answers for the interfaces it derives from, too.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out && (iid == IID_IADs || iid == IID_IDispatch)) {
            *out = static_cast<IADsUser*>(this);
            AddRef();
            return S_OK;
        }
        return ComObject::QueryInterface(iid, out);
    }

    LabUser(const std::wstring& computer, std::wstring path, std::wstring user, Values values)
        : ComObject(computer, "ADsGetObject", lab::Family::DirectoryService, "IADsUser"),
          path_(std::move(path)), user_(std::move(user)), values_(std::move(values)) {}

    // IDispatch: scripts are not the lab's callers.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IADs
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* value) override { return Out(user_, value); }
    HRESULT STDMETHODCALLTYPE get_Class(BSTR* value) override { return Out(L"User", value); }
    HRESULT STDMETHODCALLTYPE get_GUID(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ADsPath(BSTR* value) override { return Out(path_, value); }
    HRESULT STDMETHODCALLTYPE get_Parent(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Schema(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInfo() override;
    HRESULT STDMETHODCALLTYPE SetInfo() override;
    HRESULT STDMETHODCALLTYPE Get(BSTR name, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE Put(BSTR name, VARIANT value) override;
    HRESULT STDMETHODCALLTYPE GetEx(BSTR, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutEx(LONG, BSTR, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInfoEx(VARIANT, LONG) override { return E_NOTIMPL; }

    // IADsUser: the typed accessors of the backed properties.
    HRESULT STDMETHODCALLTYPE get_FullName(BSTR* value) override { return GetText(L"FullName", value); }
    HRESULT STDMETHODCALLTYPE put_FullName(BSTR value) override { return PutText(L"FullName", value); }
    HRESULT STDMETHODCALLTYPE get_Description(BSTR* value) override { return GetText(L"Description", value); }
    HRESULT STDMETHODCALLTYPE put_Description(BSTR value) override { return PutText(L"Description", value); }
    HRESULT STDMETHODCALLTYPE get_Profile(BSTR* value) override { return GetText(L"Profile", value); }
    HRESULT STDMETHODCALLTYPE put_Profile(BSTR value) override { return PutText(L"Profile", value); }
    HRESULT STDMETHODCALLTYPE get_LoginScript(BSTR* value) override { return GetText(L"LoginScript", value); }
    HRESULT STDMETHODCALLTYPE put_LoginScript(BSTR value) override { return PutText(L"LoginScript", value); }
    HRESULT STDMETHODCALLTYPE get_HomeDirectory(BSTR* value) override { return GetText(L"HomeDirectory", value); }
    HRESULT STDMETHODCALLTYPE put_HomeDirectory(BSTR value) override { return PutText(L"HomeDirectory", value); }

    // The rest of the user class is not kept by the lab's accounts.
#define NOT_BACKED(method, type) \
    HRESULT STDMETHODCALLTYPE method(type) override { return E_NOTIMPL; }
#define NOT_BACKED2(method, type1, type2) \
    HRESULT STDMETHODCALLTYPE method(type1, type2) override { return E_NOTIMPL; }
    NOT_BACKED(get_BadLoginAddress, BSTR *) NOT_BACKED(get_BadLoginCount, LONG *) NOT_BACKED(get_LastLogin, DATE *)
    NOT_BACKED(get_LastLogoff, DATE *) NOT_BACKED(get_LastFailedLogin, DATE *)
    NOT_BACKED(get_PasswordLastChanged, DATE *) NOT_BACKED(get_Division, BSTR *) NOT_BACKED(put_Division, BSTR)
    NOT_BACKED(get_Department, BSTR *) NOT_BACKED(put_Department, BSTR) NOT_BACKED(get_EmployeeID, BSTR *)
    NOT_BACKED(put_EmployeeID, BSTR) NOT_BACKED(get_FirstName, BSTR *) NOT_BACKED(put_FirstName, BSTR)
    NOT_BACKED(get_LastName, BSTR *) NOT_BACKED(put_LastName, BSTR) NOT_BACKED(get_OtherName, BSTR *)
    NOT_BACKED(put_OtherName, BSTR) NOT_BACKED(get_NamePrefix, BSTR *) NOT_BACKED(put_NamePrefix, BSTR)
    NOT_BACKED(get_NameSuffix, BSTR *) NOT_BACKED(put_NameSuffix, BSTR) NOT_BACKED(get_Title, BSTR *)
    NOT_BACKED(put_Title, BSTR) NOT_BACKED(get_Manager, BSTR *) NOT_BACKED(put_Manager, BSTR)
    NOT_BACKED(get_TelephoneHome, VARIANT *) NOT_BACKED(put_TelephoneHome, VARIANT)
    NOT_BACKED(get_TelephoneMobile, VARIANT *) NOT_BACKED(put_TelephoneMobile, VARIANT)
    NOT_BACKED(get_TelephoneNumber, VARIANT *) NOT_BACKED(put_TelephoneNumber, VARIANT)
    NOT_BACKED(get_TelephonePager, VARIANT *) NOT_BACKED(put_TelephonePager, VARIANT)
    NOT_BACKED(get_FaxNumber, VARIANT *) NOT_BACKED(put_FaxNumber, VARIANT) NOT_BACKED(get_OfficeLocations, VARIANT *)
    NOT_BACKED(put_OfficeLocations, VARIANT) NOT_BACKED(get_PostalAddresses, VARIANT *)
    NOT_BACKED(put_PostalAddresses, VARIANT) NOT_BACKED(get_PostalCodes, VARIANT *)
    NOT_BACKED(put_PostalCodes, VARIANT) NOT_BACKED(get_SeeAlso, VARIANT *) NOT_BACKED(put_SeeAlso, VARIANT)
    NOT_BACKED(get_AccountDisabled, VARIANT_BOOL *) NOT_BACKED(put_AccountDisabled, VARIANT_BOOL)
    NOT_BACKED(get_AccountExpirationDate, DATE *) NOT_BACKED(put_AccountExpirationDate, DATE)
    NOT_BACKED(get_GraceLoginsAllowed, LONG *) NOT_BACKED(put_GraceLoginsAllowed, LONG)
    NOT_BACKED(get_GraceLoginsRemaining, LONG *) NOT_BACKED(put_GraceLoginsRemaining, LONG)
    NOT_BACKED(get_IsAccountLocked, VARIANT_BOOL *) NOT_BACKED(put_IsAccountLocked, VARIANT_BOOL)
    NOT_BACKED(get_LoginHours, VARIANT *) NOT_BACKED(put_LoginHours, VARIANT)
    NOT_BACKED(get_LoginWorkstations, VARIANT *) NOT_BACKED(put_LoginWorkstations, VARIANT)
    NOT_BACKED(get_MaxLogins, LONG *) NOT_BACKED(put_MaxLogins, LONG) NOT_BACKED(get_MaxStorage, LONG *)
    NOT_BACKED(put_MaxStorage, LONG) NOT_BACKED(get_PasswordExpirationDate, DATE *)
    NOT_BACKED(put_PasswordExpirationDate, DATE) NOT_BACKED(get_PasswordMinimumLength, LONG *)
    NOT_BACKED(put_PasswordMinimumLength, LONG) NOT_BACKED(get_PasswordRequired, VARIANT_BOOL *)
    NOT_BACKED(put_PasswordRequired, VARIANT_BOOL) NOT_BACKED(get_RequireUniquePassword, VARIANT_BOOL *)
    NOT_BACKED(put_RequireUniquePassword, VARIANT_BOOL) NOT_BACKED(get_EmailAddress, BSTR *)
    NOT_BACKED(put_EmailAddress, BSTR) NOT_BACKED(get_Languages, VARIANT *) NOT_BACKED(put_Languages, VARIANT)
    NOT_BACKED(get_Picture, VARIANT *) NOT_BACKED(put_Picture, VARIANT) NOT_BACKED(get_HomePage, BSTR *)
    NOT_BACKED(put_HomePage, BSTR) NOT_BACKED(Groups, IADsMembers **) NOT_BACKED(SetPassword, BSTR)
    NOT_BACKED2(ChangePassword, BSTR, BSTR)
#undef NOT_BACKED
#undef NOT_BACKED2

private:
    HRESULT GetText(const wchar_t* name, BSTR* value) {
        if (!value) return E_POINTER;
        *value = nullptr;
        return Out(values_.text[name], value);
    }
    HRESULT PutText(const wchar_t* name, BSTR value) {
        values_.text[name] = value ? std::wstring(value, ::SysStringLen(value)) : std::wstring();
        Changed(name);
        return S_OK;
    }
    void Changed(const std::wstring& name) {
        for (const std::wstring& c : changed_) {
            if (c == name) return;
        }
        changed_.push_back(name);
    }

    std::wstring path_;
    std::wstring user_;
    Values values_;
    std::vector<std::wstring> changed_;
};

HRESULT LabUser::Get(BSTR name, VARIANT* value) {
    if (!value) return E_POINTER;
    ::VariantInit(value);
    const Property* p = name ? FindProperty(name) : nullptr;
    if (!p) return E_ADS_PROPERTY_NOT_FOUND;
    if (p->kind == Kind::Number) {
        value->vt = VT_I4;
        value->lVal = values_.number[p->name];
        return S_OK;
    }
    value->vt = VT_BSTR;
    return Out(values_.text[p->name], &value->bstrVal);
}

HRESULT LabUser::Put(BSTR name, VARIANT value) {
    const Property* p = name ? FindProperty(name) : nullptr;
    if (!p) return E_ADS_PROPERTY_NOT_SUPPORTED;
    VARIANT converted;
    ::VariantInit(&converted);
    const HRESULT hr = ::VariantChangeType(&converted, &value, 0, p->kind == Kind::Number ? VT_I4 : VT_BSTR);
    if (FAILED(hr)) return E_ADS_CANT_CONVERT_DATATYPE;
    if (p->kind == Kind::Number) values_.number[p->name] = converted.lVal;
    else values_.text[p->name] = std::wstring(converted.bstrVal, ::SysStringLen(converted.bstrVal));
    ::VariantClear(&converted);
    Changed(p->name);
    return S_OK;
}

HRESULT LabUser::GetInfo() {
    lab::Gate gate(Computer().c_str(), lab::Family::DirectoryService, "IADs::GetInfo");
    if (gate.Error()) return gate.ErrorAsHResult();
    const lab::LocalUser* user = lab::AccountsOf(gate.Target()).FindUser(user_);
    if (!user) return kHrUserNotFound;
    values_ = Read(*user);
    changed_.clear();
    return S_OK;
}

HRESULT LabUser::SetInfo() {
    lab::Gate gate(Computer().c_str(), lab::Family::DirectoryService, "IADs::SetInfo");
    if (gate.Error()) return gate.ErrorAsHResult();
    if (const DWORD denied = gate.RequireAdmin()) return lab::ToHResult(denied);
    lab::LocalUser* user = lab::AccountsOf(gate.Target()).FindUser(user_);
    if (!user) return kHrUserNotFound;
    Write(values_, changed_, *user);
    changed_.clear();
    values_ = Read(*user);
    return S_OK;
}

}  // namespace

HRESULT WINAPI plat::ADsGetObject(LPCWSTR lpszPathName, REFIID riid, VOID** ppObject) {
    if (!ppObject) return E_POINTER;
    *ppObject = nullptr;
    ParsedPath parsed;
    if (!lpszPathName || !ParsePath(lpszPathName, parsed)) return E_ADS_BAD_PATHNAME;
    std::wstring computer;
    Values values;
    std::wstring user;
    {
        lab::Gate gate(parsed.computer.c_str(), lab::Family::DirectoryService, "ADsGetObject");
        if (gate.Error()) return gate.ErrorAsHResult();
        const lab::Computer& c = gate.Target();
        if (!parsed.domain.empty() && !lab::EqualsNoCase(parsed.domain, c.domain)) return kHrBadNetPath;
        if (const DWORD denied = gate.RequireAdmin()) return lab::ToHResult(denied);
        const lab::LocalUser* found = lab::AccountsOf(c).FindUser(parsed.user);
        if (!found) return kHrUserNotFound;
        computer = c.name;
        user = found->name;
        values = Read(*found);
    }
    // Registered with the accounting outside the gate (the accounting has its own lock).
    auto* object = new LabUser(computer, lpszPathName, user, std::move(values));
    const HRESULT hr = object->QueryInterface(riid, ppObject);
    object->Release();
    return hr;
}
