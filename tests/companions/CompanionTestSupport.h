#pragma once
// What the companion tests share: the built companion DLL loaded without the
// registry, a scratch folder the store and the log are pointed at, child
// processes with captured streams, and a reader of the credentials file
// format for the tests that damage it on purpose.
#include "Companions_h.h"
#include "common/ComPtr.h"
#include "common/Handles.h"
#include "tests/support/TestProcess.h"

#include <objbase.h>

#include <string>
#include <string_view>
#include <vector>

namespace companiontest {

using testsupport::BinPath;
using testsupport::ComApartment;


// bin\VantrelCompanions.dll (the lab build, beside the tests), loaded as a
// COM host would load it, without the registry.
class CompanionModule {
public:
    CompanionModule();
    ~CompanionModule();
    CompanionModule(const CompanionModule&) = delete;
    CompanionModule& operator=(const CompanionModule&) = delete;

    HRESULT CreateInstance(REFCLSID clsid, REFIID iid, void** out) const;
    HRESULT CanUnloadNow() const;

    vantrel::ComPtr<ICredentialStore> Store() const;
    vantrel::ComPtr<IActivityLog> Log() const;

private:
    HMODULE module_;
};

// A fresh folder under the temporary folder; VANTREL_CREDENTIALS_FILE and
// VANTREL_ACTIVITY_LOG point into it (this process and its children) until
// the object goes, and then the folder is removed.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring CredentialsFile() const { return path_ + L"\\credentials.dat"; }
    std::wstring LogFile() const { return path_ + L"\\activity.log"; }
    std::vector<std::wstring> Files() const;  // full paths of the files in the folder

private:
    std::wstring path_;
};

// `text` as little-endian UTF-16, after the byte-order mark when `marked`
// (as the registry editor writes its files).
inline std::vector<BYTE> Utf16Bytes(std::u16string_view text, bool marked = false) {
    std::vector<BYTE> bytes;
    if (marked) bytes = {0xFF, 0xFE};
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

std::vector<BYTE> ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::vector<BYTE>& bytes);
bool Contains(const std::vector<BYTE>& haystack, const void* needle, size_t size);
std::string Utf8(const std::wstring& text);

vantrel::UniqueBstr Bstr(const std::wstring& text);
std::wstring Text(BSTR text);

// Store calls with plain strings.
HRESULT Add(ICredentialStore* store, const std::wstring& key, long format, const std::wstring& user,
            const std::wstring& password);
struct Found {
    HRESULT hr = E_FAIL;
    bool hasRecord = false;
    long format = -1;
    std::wstring user;
    std::wstring password;
};
Found Lookup(ICredentialStore* store, const std::wstring& key);
struct Listed {
    std::wstring key;
    long format;
    std::wstring user;
};
HRESULT List(ICredentialStore* store, std::vector<Listed>* entries);

// A child process whose standard input gets `input` and is then closed, and
// whose standard output and error go to one pipe.
class ChildProcess {
public:
    ChildProcess(const std::wstring& commandLine, const std::string& input);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    // Waits for the end, collecting the output; returns the exit code.
    DWORD Finish();
    const std::string& Output() const { return output_; }

private:
    HANDLE process_ = nullptr;
    HANDLE outputRead_ = nullptr;
    std::string output_;
};

std::wstring ToolCommand(const std::vector<std::wstring>& arguments);

// The credentials file as its format describes it, with where each entry's
// fields lie, so that tests can damage one precisely.
struct FileEntry {
    size_t offset;  // where the entry starts
    std::wstring key;
    std::wstring user;
    size_t userOffset;
    size_t protectedOffset;  // the protected bytes, after their length
    size_t protectedSize;
};
bool ParseStoreFile(const std::vector<BYTE>& bytes, std::vector<FileEntry>* entries);
// `bytes` with the protected block of `entry` replaced by `block`.
std::vector<BYTE> WithBlock(const std::vector<BYTE>& bytes, const FileEntry& entry, const BYTE* block, size_t size);

}  // namespace companiontest
