// The registry component's comparison and import on the real platform,
// against Wine's registry reached through RegConnectRegistryW with this
// computer's own name, and files exported by Wine's registry editor.
#include "common/PlatHandles.h"
#include "companions/RegistryComponent.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using vantrel::UniqueRegKey;

constexpr wchar_t kKey[] = L"SOFTWARE\\Vantrel Wine Test";

std::wstring Machine() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ::GetComputerNameW(name, &size);
    return std::wstring(L"\\\\") + name;
}

std::vector<BYTE> Utf16(const std::wstring& text) {
    std::vector<BYTE> data((text.size() + 1) * 2, 0);
    std::memcpy(data.data(), text.data(), text.size() * 2);
    return data;
}

// Runs the system's registry editor with `arguments` and waits for it.
DWORD RunRegedit(const std::wstring& arguments) {
    wchar_t windows[MAX_PATH];
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(windows) + L"\\regedit.exe\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return ::GetLastError();
    ::WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

class RegistryOnWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ERROR_SUCCESS, plat::RegConnectRegistryW(Machine().c_str(), HKEY_LOCAL_MACHINE, root_.Put()))
            << "Wine reaches its own registry by the computer's name";
        plat::RegDeleteTreeW(root_.Get(), kKey);
        UniqueRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, plat::RegCreateKeyExW(root_.Get(), kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                       key.Put(), nullptr));
        const DWORD number = 42;
        const unsigned long long big = 0x80000000000000FFull;
        const BYTE blob[] = {0x01, 0xA0, 0xFF};
        const std::vector<BYTE> text = Utf16(L"C:\\Program Files\\\"x\""), expand = Utf16(L"%SystemRoot%\\x"),
                                def = Utf16(L"default");
        std::vector<BYTE> multi = Utf16(L"a");
        const std::vector<BYTE> second = Utf16(L"b");
        multi.insert(multi.end(), second.begin(), second.end());
        multi.insert(multi.end(), {0, 0});
        struct Set {
            const wchar_t* name;
            DWORD type;
            const BYTE* data;
            DWORD size;
        } values[] = {
            {L"", REG_SZ, def.data(), static_cast<DWORD>(def.size())},
            {L"Text", REG_SZ, text.data(), static_cast<DWORD>(text.size())},
            {L"Expand", REG_EXPAND_SZ, expand.data(), static_cast<DWORD>(expand.size())},
            {L"Multi", REG_MULTI_SZ, multi.data(), static_cast<DWORD>(multi.size())},
            {L"Number", REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4},
            {L"Big", REG_QWORD, reinterpret_cast<const BYTE*>(&big), 8},
            {L"Blob", REG_BINARY, blob, 3},
            {L"Nothing", REG_NONE, nullptr, 0},
        };
        for (const Set& v : values)
            ASSERT_EQ(ERROR_SUCCESS, plat::RegSetValueExW(key.Get(), v.name, 0, v.type, v.data, v.size)) << v.name;
        UniqueRegKey sub;
        ASSERT_EQ(ERROR_SUCCESS, plat::RegCreateKeyExW(key.Get(), L"Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                       sub.Put(), nullptr));
        wchar_t folder[MAX_PATH];
        ::GetTempPathW(MAX_PATH, folder);
        file_ = std::wstring(folder) + L"vantrel-wine-export.reg";
        ::DeleteFileW(file_.c_str());
        ASSERT_EQ(0u, RunRegedit(L"/e \"" + file_ + L"\" \"HKEY_LOCAL_MACHINE\\" + kKey + L"\""));
    }
    void TearDown() override {
        plat::RegDeleteTreeW(root_.Get(), kKey);
        ::DeleteFileW(file_.c_str());
    }

    std::vector<std::wstring> Compare() {
        vantrel::regfile::File file;
        std::string detail;
        EXPECT_EQ(S_OK, vantrel::companions::LoadRegFile(file_.c_str(), file, &detail)) << detail;
        std::vector<std::wstring> missing;
        EXPECT_EQ(S_OK, vantrel::companions::CompareRegistry(Machine().c_str(), file, missing));
        return missing;
    }

    UniqueRegKey root_;
    std::wstring file_;
};

TEST_F(RegistryOnWine, AnExportOfEveryValueTypeComparesEqualUntilAValueChanges) {
    EXPECT_TRUE(Compare().empty());

    UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegOpenKeyExW(root_.Get(), kKey, 0, KEY_ALL_ACCESS, key.Put()));
    const DWORD changed = 43;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegSetValueExW(key.Get(), L"Number", 0, REG_DWORD,
                                                  reinterpret_cast<const BYTE*>(&changed), 4));
    ASSERT_EQ(ERROR_SUCCESS, plat::RegDeleteValueW(key.Get(), L"Multi"));
    const std::wstring prefix = std::wstring(L"HKEY_LOCAL_MACHINE\\") + kKey;
    EXPECT_EQ((std::vector<std::wstring>{prefix + L"::Multi", prefix + L"::Number"}), [&] {
        auto found = Compare();
        std::sort(found.begin(), found.end());
        return found;
    }());

    vantrel::regfile::File file;
    ASSERT_EQ(S_OK, vantrel::companions::LoadRegFile(file_.c_str(), file));
    std::vector<std::wstring> failed;
    EXPECT_EQ(S_OK, vantrel::companions::ImportRegistry(Machine().c_str(), file, failed));
    EXPECT_TRUE(failed.empty());
    EXPECT_TRUE(Compare().empty());

    // A deleted key is reported, and imported again with its values.
    ASSERT_EQ(ERROR_SUCCESS, plat::RegDeleteTreeW(root_.Get(), (std::wstring(kKey) + L"\\Sub").c_str()));
    EXPECT_EQ((std::vector<std::wstring>{prefix + L"\\Sub"}), Compare());
    EXPECT_EQ(S_OK, vantrel::companions::ImportRegistry(Machine().c_str(), file, failed));
    EXPECT_TRUE(Compare().empty());
}

}  // namespace
