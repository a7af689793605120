#include "tests/companions/CompanionTestSupport.h"

#include <cstring>

namespace companiontest {

using vantrel::ComPtr;
using vantrel::UniqueBstr;

CompanionModule::CompanionModule() : module_(::LoadLibraryW(BinPath(L"VantrelCompanions.dll").c_str())) {}

CompanionModule::~CompanionModule() {
    if (module_) ::FreeLibrary(module_);
}

HRESULT CompanionModule::CreateInstance(REFCLSID clsid, REFIID iid, void** out) const {
    *out = nullptr;
    if (!module_) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObject>(::GetProcAddress(module_, "DllGetClassObject"));
    ComPtr<IClassFactory> factory;
    HRESULT hr = get(clsid, IID_IClassFactory, factory.PutVoid());
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(nullptr, iid, out);
}

HRESULT CompanionModule::CanUnloadNow() const {
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(module_, "DllCanUnloadNow"));
    return canUnload();
}

ComPtr<ICredentialStore> CompanionModule::Store() const {
    ComPtr<ICredentialStore> store;
    CreateInstance(CLSID_CredentialStore, IID_ICredentialStore, store.PutVoid());
    return store;
}

ComPtr<IActivityLog> CompanionModule::Log() const {
    ComPtr<IActivityLog> log;
    CreateInstance(CLSID_ActivityLog, IID_IActivityLog, log.PutVoid());
    return log;
}

namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

ScratchFolder::ScratchFolder() {
    static LONG counter = 0;
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"vantrel-companions-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(::InterlockedIncrement(&counter));
    RemoveTree(path_);
    ::CreateDirectoryW(path_.c_str(), nullptr);
    ::SetEnvironmentVariableW(L"VANTREL_CREDENTIALS_FILE", CredentialsFile().c_str());
    ::SetEnvironmentVariableW(L"VANTREL_ACTIVITY_LOG", LogFile().c_str());
}

ScratchFolder::~ScratchFolder() {
    ::SetEnvironmentVariableW(L"VANTREL_CREDENTIALS_FILE", nullptr);
    ::SetEnvironmentVariableW(L"VANTREL_ACTIVITY_LOG", nullptr);
    RemoveTree(path_);
}

std::vector<std::wstring> ScratchFolder::Files() const {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(path_ + L"\\" + found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return files;
}

std::vector<BYTE> ReadBytes(const std::wstring& path) {
    std::vector<BYTE> bytes;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    BYTE chunk[4096];
    DWORD read = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.insert(bytes.end(), chunk, chunk + read);
    ::CloseHandle(file);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::vector<BYTE>& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

bool Contains(const std::vector<BYTE>& haystack, const void* needle, size_t size) {
    if (size == 0 || haystack.size() < size) return false;
    for (size_t i = 0; i + size <= haystack.size(); ++i)
        if (std::memcmp(haystack.data() + i, needle, size) == 0) return true;
    return false;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

UniqueBstr Bstr(const std::wstring& text) {
    return UniqueBstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

std::wstring Text(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }

HRESULT Add(ICredentialStore* store, const std::wstring& key, long format, const std::wstring& user,
            const std::wstring& password) {
    return store->Add(Bstr(key).Get(), format, Bstr(user).Get(), Bstr(password).Get());
}

Found Lookup(ICredentialStore* store, const std::wstring& key) {
    Found found;
    ComPtr<IUnknown> record;
    found.hr = store->Lookup(Bstr(key).Get(), record.Put());
    found.hasRecord = static_cast<bool>(record);
    ComPtr<ICredentialRecord> credentials;
    if (record && SUCCEEDED(record.QueryTo(credentials.Put()))) {
        UniqueBstr user;
        vantrel::UniqueSecretBstr password;
        credentials->GetAccount(&found.format, user.Put());
        credentials->GetPassword(password.Put());
        found.user = Text(user.Get());
        found.password = Text(password.Get());
    }
    return found;
}

HRESULT List(ICredentialStore* store, std::vector<Listed>* entries) {
    entries->clear();
    long count = 0;
    HRESULT hr = store->GetCount(&count);
    for (long i = 0; SUCCEEDED(hr) && i < count; ++i) {
        UniqueBstr key;
        UniqueBstr user;
        long format = 0;
        hr = store->GetEntry(i, key.Put(), &format, user.Put());
        if (SUCCEEDED(hr)) entries->push_back({Text(key.Get()), format, Text(user.Get())});
    }
    return hr;
}

ChildProcess::ChildProcess(const std::wstring& commandLine, const std::string& input) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE inRead = nullptr, inWrite = nullptr, outputWrite = nullptr;
    if (!::CreatePipe(&inRead, &inWrite, &inherit, 1 << 16)) return;
    if (!::CreatePipe(&outputRead_, &outputWrite, &inherit, 1 << 16)) outputRead_ = nullptr;
    // Our ends stay ours, or the child would keep its own input open.
    ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(outputRead_, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outputWrite;
    startup.hStdError = outputWrite;
    PROCESS_INFORMATION info = {};
    std::wstring line = commandLine;
    if (outputRead_ && ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &info)) {
        process_ = info.hProcess;
        ::CloseHandle(info.hThread);
    }
    ::CloseHandle(inRead);
    if (outputWrite) ::CloseHandle(outputWrite);
    DWORD written = 0;
    if (process_ && !input.empty()) ::WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    ::CloseHandle(inWrite);
}

ChildProcess::~ChildProcess() {
    if (process_) ::CloseHandle(process_);
    if (outputRead_) ::CloseHandle(outputRead_);
}

DWORD ChildProcess::Finish() {
    if (!process_) return static_cast<DWORD>(-1);
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(outputRead_, chunk, sizeof chunk, &read, nullptr) && read > 0) output_.append(chunk, read);
    ::WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    return code;
}

std::wstring ToolCommand(const std::vector<std::wstring>& arguments) {
    std::wstring line = L"\"" + BinPath(L"vantrel-credentials.exe") + L"\"";
    for (const auto& argument : arguments) line += L" \"" + argument + L"\"";
    return line;
}

bool ParseStoreFile(const std::vector<BYTE>& bytes, std::vector<FileEntry>* entries) {
    entries->clear();
    size_t pos = 0;
    auto u32 = [&](DWORD* value) {
        if (bytes.size() - pos < 4) return false;
        std::memcpy(value, bytes.data() + pos, 4);
        pos += 4;
        return true;
    };
    auto text = [&](std::wstring* out) {
        DWORD length = 0;
        if (!u32(&length) || (bytes.size() - pos) / 2 < length) return false;
        out->assign(reinterpret_cast<const wchar_t*>(bytes.data() + pos), length);
        pos += length * 2;
        return true;
    };
    DWORD version = 0, count = 0;
    if (bytes.size() < 4 || std::memcmp(bytes.data(), "VCS1", 4) != 0) return false;
    pos = 4;
    if (!u32(&version) || !u32(&count)) return false;
    for (DWORD i = 0; i < count; ++i) {
        FileEntry entry;
        entry.offset = pos;
        DWORD format = 0, size = 0;
        if (!text(&entry.key) || !u32(&format)) return false;
        entry.userOffset = pos + 4;
        if (!text(&entry.user) || !u32(&size) || bytes.size() - pos < size) return false;
        entry.protectedOffset = pos;
        entry.protectedSize = size;
        pos += size;
        entries->push_back(entry);
    }
    return pos == bytes.size();
}

std::vector<BYTE> WithBlock(const std::vector<BYTE>& bytes, const FileEntry& entry, const BYTE* block, size_t size) {
    std::vector<BYTE> out(bytes.begin(), bytes.begin() + entry.protectedOffset - 4);
    const DWORD length = static_cast<DWORD>(size);
    out.insert(out.end(), reinterpret_cast<const BYTE*>(&length), reinterpret_cast<const BYTE*>(&length) + 4);
    out.insert(out.end(), block, block + size);
    out.insert(out.end(), bytes.begin() + entry.protectedOffset + entry.protectedSize, bytes.end());
    return out;
}

}  // namespace companiontest
