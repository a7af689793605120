// vantrel-credentials: adds, shows, lists and removes the alternate
// credentials the console's credentials store keeps for the current user.
//
// The store is reached through COM in-process: the tool loads the
// VantrelCompanions.dll that sits beside it and asks its class object for a
// store, as COM would for a registered server. So it needs no registration,
// and it always works with the build it came with (the real and the lab
// builds register the same class). Only when no DLL is beside it does it ask
// COM for whatever server is registered.
#include "Companions_h.h"
#include "common/ComPtr.h"
#include "common/Handles.h"
#include "common/Result.h"
#include "companions/tool/PasswordInput.h"
#include "companions/tool/ToolOutput.h"

#include <objbase.h>

#include <cwchar>
#include <string>
#include <vector>

using namespace vantrel;
using namespace vantrel::credentialstool;

namespace {

enum ExitCode { kSucceeded = 0, kFailed = 1, kBadUsage = 2, kNotFound = 3 };

const wchar_t kUsage[] =
    L"Usage:\r\n"
    L"  vantrel-credentials add <key> <format> <user> [--password-stdin]\r\n"
    L"  vantrel-credentials show <key>\r\n"
    L"  vantrel-credentials list\r\n"
    L"  vantrel-credentials remove <key>\r\n"
    L"\r\n"
    L"<key>     the credentials path the entry is stored under (case does not matter)\r\n"
    L"<format>  how <user> is written: unknown (0), sam (2, DOMAIN\\user), upn (8,\r\n"
    L"          user@domain), or another extended name format number\r\n"
    L"The password of add is read from standard input: from a console with echo off\r\n"
    L"and asked twice; otherwise (or with --password-stdin) the first line.\r\n"
    L"Passwords are never shown. Exit codes: 0 done, 1 failed, 2 bad usage,\r\n"
    L"3 nothing stored under <key>.\r\n";

int BadUsage(const std::wstring& problem) {
    Err(L"vantrel-credentials: " + problem + L"\r\n\r\n" + kUsage);
    return kBadUsage;
}

int Failed(const std::wstring& what, HRESULT hr) {
    Err(L"vantrel-credentials: " + DescribeFailure(what, hr) + L"\r\n");
    return kFailed;
}

// COM, the companion DLL and the store, released in the reverse order.
class Session {
public:
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    HRESULT Open() {
        HRESULT hr = com_.Result();
        if (FAILED(hr)) return hr;
        wchar_t exe[MAX_PATH];
        const DWORD length = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        RETURN_LAST_ERROR_IF(length == 0 || length >= MAX_PATH);
        std::wstring dll(exe, length);
        dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"VantrelCompanions.dll";
        module_.Reset(::LoadLibraryExW(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        if (!module_) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_MOD_NOT_FOUND) RETURN_WIN32(error);
            return ::CoCreateInstance(CLSID_CredentialStore, nullptr, CLSCTX_INPROC_SERVER, IID_ICredentialStore,
                                      store_.PutVoid());
        }
        using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        const auto getClassObject =
            reinterpret_cast<GetClassObject>(::GetProcAddress(module_.Get(), "DllGetClassObject"));
        RETURN_LAST_ERROR_IF(!getClassObject);
        ComPtr<IClassFactory> factory;
        hr = getClassObject(CLSID_CredentialStore, IID_IClassFactory, factory.PutVoid());
        if (FAILED(hr)) return hr;
        return factory->CreateInstance(nullptr, IID_ICredentialStore, store_.PutVoid());
    }

    ~Session() {
        store_.Reset();
        module_.Reset();
    }

    ICredentialStore* Store() const { return store_.Get(); }

private:
    ComApartment com_;  // first in, last out
    UniqueModule module_;
    ComPtr<ICredentialStore> store_;
};

bool ParseFormat(const std::wstring& text, long* format) {
    if (text == L"unknown") { *format = 0; return true; }
    if (text == L"sam") { *format = 2; return true; }
    if (text == L"upn") { *format = 8; return true; }
    if (text.empty() || text.size() > 9 || text.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
    *format = std::wcstol(text.c_str(), nullptr, 10);
    return true;
}

std::wstring EntryLine(BSTR key, long format, BSTR user) {
    return std::wstring(key, ::SysStringLen(key)) + L"\t" + std::to_wstring(format) + L"\t" +
           std::wstring(user, ::SysStringLen(user)) + L"\r\n";
}

UniqueBstr Bstr(const std::wstring& text) {
    return UniqueBstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

int Add(ICredentialStore* store, const std::wstring& key, long format, const std::wstring& user, bool scripted) {
    companions::SecretString password;
    std::wstring problem;
    HRESULT hr = ReadPassword(scripted, user, &password, &problem);
    if (FAILED(hr)) {
        if (problem.empty()) return Failed(L"could not read the password", hr);
        Err(L"vantrel-credentials: " + problem + L"\r\n");
        return kFailed;
    }
    UniqueSecretBstr secret(::SysAllocStringLen(password.Data(), static_cast<UINT>(password.Size())));
    password.Clear();
    UniqueBstr keyText = Bstr(key);
    UniqueBstr userText = Bstr(user);
    if (!secret || !keyText || !userText) return Failed(L"could not store the credentials", E_OUTOFMEMORY);
    hr = store->Add(keyText.Get(), format, userText.Get(), secret.Get());
    if (FAILED(hr)) return Failed(L"could not store the credentials for " + key, hr);
    Out(L"Stored the credentials for " + key + L" (" + user + L").\r\n");
    return kSucceeded;
}

int Show(ICredentialStore* store, const std::wstring& key) {
    UniqueBstr keyText = Bstr(key);
    if (!keyText) return Failed(L"could not read the credentials", E_OUTOFMEMORY);
    ComPtr<IUnknown> found;
    // A full lookup: it proves that the password can still be decrypted,
    // which is what the console will need.
    HRESULT hr = store->Lookup(keyText.Get(), found.Put());
    if (FAILED(hr)) return Failed(L"could not read the credentials for " + key, hr);
    if (hr == S_FALSE) {
        Err(L"vantrel-credentials: no credentials are stored for " + key + L".\r\n");
        return kNotFound;
    }
    ComPtr<ICredentialRecord> record;
    hr = found.QueryTo(record.Put());
    long format = 0;
    UniqueBstr user;
    if (SUCCEEDED(hr)) hr = record->GetAccount(&format, user.Put());
    if (FAILED(hr)) return Failed(L"could not read the credentials for " + key, hr);
    Out(EntryLine(keyText.Get(), format, user.Get()));
    return kSucceeded;
}

int List(ICredentialStore* store) {
    long count = 0;
    HRESULT hr = store->GetCount(&count);
    if (FAILED(hr)) return Failed(L"could not list the credentials", hr);
    for (long i = 0; i < count; ++i) {
        UniqueBstr key;
        UniqueBstr user;
        long format = 0;
        hr = store->GetEntry(i, key.Put(), &format, user.Put());
        if (FAILED(hr)) return Failed(L"could not list the credentials", hr);
        Out(EntryLine(key.Get(), format, user.Get()));
    }
    return kSucceeded;
}

int Remove(ICredentialStore* store, const std::wstring& key) {
    UniqueBstr keyText = Bstr(key);
    if (!keyText) return Failed(L"could not remove the credentials", E_OUTOFMEMORY);
    const HRESULT hr = store->Remove(keyText.Get());
    if (FAILED(hr)) return Failed(L"could not remove the credentials for " + key, hr);
    if (hr == S_FALSE) {
        Err(L"vantrel-credentials: no credentials are stored for " + key + L".\r\n");
        return kNotFound;
    }
    Out(L"Removed the credentials for " + key + L".\r\n");
    return kSucceeded;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return BadUsage(L"no command given.");
    const std::wstring command = argv[1];
    if (command == L"help" || command == L"--help" || command == L"-h" || command == L"/?") {
        Out(kUsage);
        return kSucceeded;
    }
    std::vector<std::wstring> operands;
    bool scripted = false;
    for (int i = 2; i < argc; ++i) {
        const std::wstring argument = argv[i];
        if (argument == L"--password-stdin" && command == L"add")
            scripted = true;
        else if (argument.size() > 1 && argument.compare(0, 2, L"--") == 0)
            return BadUsage(L"unknown option " + argument + L".");
        else
            operands.push_back(argument);
    }

    size_t wanted = 0;
    if (command == L"add")
        wanted = 3;
    else if (command == L"show" || command == L"remove")
        wanted = 1;
    else if (command != L"list")
        return BadUsage(L"unknown command " + command + L".");
    if (operands.size() != wanted)
        return BadUsage(command + L" takes " + std::to_wstring(wanted) + (wanted == 1 ? L" argument." : L" arguments."));
    for (const auto& operand : operands)
        if (operand.empty()) return BadUsage(L"empty arguments are not allowed.");
    long format = 0;
    if (command == L"add" && !ParseFormat(operands[1], &format))
        return BadUsage(L"the format must be unknown, sam, upn or a number, not " + operands[1] + L".");

    Session session;
    const HRESULT hr = session.Open();
    if (FAILED(hr)) return Failed(L"could not open the credentials store", hr);
    if (command == L"add") return Add(session.Store(), operands[0], format, operands[2], scripted);
    if (command == L"show") return Show(session.Store(), operands[0]);
    if (command == L"remove") return Remove(session.Store(), operands[0]);
    return List(session.Store());
}
