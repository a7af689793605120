// The credentials file on disk: where it goes, that it never holds a
// password in clear, and that damage to it is reported, not crashed on or
// papered over.
#include "tests/companions/CompanionTestSupport.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <wincrypt.h>

using namespace companiontest;
using vantrel::ComPtr;

namespace {

const HRESULT kInvalidData = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

class CompanionStoreFile : public ::testing::Test {
protected:
    ComApartment apartment_;
    ScratchFolder folder_;
    CompanionModule module_;
    ComPtr<ICredentialStore> store_ = module_.Store();
    std::vector<BYTE> bytes_;
    std::vector<FileEntry> entries_;

    void SetUp() override {
        ASSERT_TRUE(store_);
        ASSERT_EQ(S_OK, Add(store_.Get(), L"alpha.corp", 2, L"CORP\\alpha", L"alpha-password"));
        ASSERT_EQ(S_OK, Add(store_.Get(), L"beta.corp", 2, L"CORP\\beta", L"beta-password"));
        bytes_ = ReadBytes(folder_.CredentialsFile());
        ASSERT_TRUE(ParseStoreFile(bytes_, &entries_));
        ASSERT_EQ(2u, entries_.size());
    }

    // Every way in must fail alike, and a change must not replace the file.
    void ExpectRefused(const std::vector<BYTE>& damaged, const char* what) {
        SCOPED_TRACE(what);
        WriteBytes(folder_.CredentialsFile(), damaged);
        const Found found = Lookup(store_.Get(), L"alpha.corp");
        EXPECT_TRUE(FAILED(found.hr)) << std::hex << found.hr;
        EXPECT_FALSE(found.hasRecord);
        long count = 0;
        EXPECT_TRUE(FAILED(store_->GetCount(&count)));
        EXPECT_TRUE(FAILED(Add(store_.Get(), L"gamma.corp", 2, L"CORP\\gamma", L"pw")));
        EXPECT_TRUE(FAILED(store_->Remove(Bstr(L"alpha.corp").Get())));
        EXPECT_EQ(damaged, ReadBytes(folder_.CredentialsFile()));
    }
};

TEST_F(CompanionStoreFile, PasswordsNeverReachTheDiskInClear) {
    const std::wstring passwords[] = {L"alpha-password", L"Sup3r-S3cret-Pa55!", L"p\u00E4ssw\u00F6rd-\u5BC6\u7801"};
    ASSERT_EQ(S_OK, Add(store_.Get(), L"gamma.corp", 2, L"CORP\\operator", passwords[1]));
    ASSERT_EQ(S_OK, Add(store_.Get(), L"beta.corp", 2, L"CORP\\operator", passwords[2]));
    ASSERT_EQ(S_OK, store_->Remove(Bstr(L"gamma.corp").Get()));

    bool sawUser = false;
    for (const auto& file : folder_.Files()) {
        const std::vector<BYTE> bytes = ReadBytes(file);
        // Proof that the scan reads UTF-16: user names are kept in clear.
        const std::wstring user = L"CORP\\operator";
        sawUser = sawUser || Contains(bytes, user.data(), user.size() * 2);
        for (const auto& password : passwords) {
            const std::string utf8 = Utf8(password);
            EXPECT_FALSE(Contains(bytes, password.data(), password.size() * 2)) << "UTF-16 password in file";
            EXPECT_FALSE(Contains(bytes, utf8.data(), utf8.size())) << "UTF-8 password in file";
        }
    }
    EXPECT_TRUE(sawUser);
}

TEST_F(CompanionStoreFile, WithoutTheVariableTheFileIsInTheUsersApplicationData) {
    ::SetEnvironmentVariableW(L"VANTREL_CREDENTIALS_FILE", nullptr);
    ComPtr<ICredentialStore> store = module_.Store();
    ASSERT_TRUE(store);
    const std::wstring key = L"default-location-" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_EQ(S_OK, Add(store.Get(), key, 2, L"CORP\\where", L"pw"));

    wchar_t appData[MAX_PATH];
    ASSERT_EQ(S_OK, ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData));
    std::vector<FileEntry> entries;
    EXPECT_TRUE(ParseStoreFile(ReadBytes(std::wstring(appData) + L"\\Vantrel\\credentials.dat"), &entries));
    bool found = false;
    for (const auto& entry : entries) found = found || entry.key == key;
    EXPECT_TRUE(found);
    EXPECT_EQ(S_OK, store->Remove(Bstr(key).Get()));
}

TEST_F(CompanionStoreFile, DamagedFilesAreRefusedWithoutBeingRewritten) {
    // Cut short anywhere, the file must never read as fewer entries.
    for (size_t length = 0; length < bytes_.size(); ++length) {
        WriteBytes(folder_.CredentialsFile(), std::vector<BYTE>(bytes_.begin(), bytes_.begin() + length));
        const Found found = Lookup(store_.Get(), L"alpha.corp");
        ASSERT_TRUE(FAILED(found.hr)) << "cut at " << length;
        ASSERT_FALSE(found.hasRecord);
    }
    ExpectRefused(std::vector<BYTE>(bytes_.begin(), bytes_.begin() + bytes_.size() / 2), "cut in half");

    std::vector<BYTE> damaged = bytes_;
    damaged.push_back(0);
    ExpectRefused(damaged, "a byte after the last entry");
    damaged = bytes_;
    damaged[0] = 'X';
    ExpectRefused(damaged, "another file's signature");
    damaged = bytes_;
    damaged[9] = 0xFF;  // the entry count
    ExpectRefused(damaged, "more entries than the file holds");
    damaged = bytes_;
    damaged[entries_[0].offset + 3] = 0x7F;  // the first key's length
    ExpectRefused(damaged, "a huge key length");
    damaged.assign(300, 0);
    for (size_t i = 0; i < damaged.size(); ++i) damaged[i] = static_cast<BYTE>(i * 37 + 11);
    ExpectRefused(damaged, "garbage");

    // The first entry twice, the second time with its key in capitals: keys
    // are one entry each without regard to case.
    const std::vector<BYTE> first(bytes_.begin() + entries_[0].offset, bytes_.begin() + entries_[1].offset);
    damaged.assign(bytes_.begin(), bytes_.begin() + entries_[0].offset);
    damaged.insert(damaged.end(), first.begin(), first.end());
    const size_t secondKey = damaged.size() + 4;
    damaged.insert(damaged.end(), first.begin(), first.end());
    for (size_t i = 0; i < entries_[0].key.size(); ++i) {
        BYTE& c = damaged[secondKey + i * 2];
        if (c >= 'a' && c <= 'z') c = static_cast<BYTE>(c - 'a' + 'A');
    }
    ExpectRefused(damaged, "one key twice");
}

TEST_F(CompanionStoreFile, AnAlteredProtectedPasswordIsRefusedAndTheRestStillWorks) {
    const FileEntry& beta = entries_[1];
    bytes_[beta.protectedOffset + beta.protectedSize / 2] ^= 0x5A;
    WriteBytes(folder_.CredentialsFile(), bytes_);

    const Found found = Lookup(store_.Get(), L"beta.corp");
    EXPECT_TRUE(FAILED(found.hr)) << std::hex << found.hr;
    EXPECT_FALSE(found.hasRecord);
    EXPECT_EQ(L"alpha-password", Lookup(store_.Get(), L"alpha.corp").password);
    std::vector<Listed> listed;
    EXPECT_EQ(S_OK, List(store_.Get(), &listed));
    EXPECT_EQ(2u, listed.size());
    // The damaged entry can be replaced.
    ASSERT_EQ(S_OK, Add(store_.Get(), L"beta.corp", 2, L"CORP\\beta", L"fresh"));
    EXPECT_EQ(L"fresh", Lookup(store_.Get(), L"beta.corp").password);
}

TEST_F(CompanionStoreFile, AProtectedBlockServesOnlyItsOwnEntry) {
    // Valid protected data of the same user, but made by another program.
    BYTE clear[] = "alpha-password";
    DATA_BLOB in = {sizeof clear, clear};
    DATA_BLOB foreign = {};
    ASSERT_TRUE(::CryptProtectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &foreign));
    const std::vector<BYTE> foreignBlock(foreign.pbData, foreign.pbData + foreign.cbData);
    ::LocalFree(foreign.pbData);
    // alpha's user name edited in the file (same length, so it still parses).
    std::vector<BYTE> edited = bytes_;
    edited[entries_[0].userOffset + (entries_[0].user.size() - 1) * 2] = 'X';
    const FileEntry& beta = entries_[1];
    // Blocks of this store that belong to another entry are told apart by
    // the store itself; a foreign block may already fail to unprotect.
    const struct {
        const char* what;
        std::vector<BYTE> file;
        bool ownCheck;
    } cases[] = {
        {"beta's block in alpha's place",
         WithBlock(bytes_, entries_[0], bytes_.data() + beta.protectedOffset, beta.protectedSize), true},
        {"alpha's user name changed", edited, true},
        {"another program's block", WithBlock(bytes_, entries_[0], foreignBlock.data(), foreignBlock.size()), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(folder_.CredentialsFile(), c.file);
        const Found found = Lookup(store_.Get(), L"alpha.corp");
        EXPECT_TRUE(FAILED(found.hr)) << std::hex << found.hr;
        if (c.ownCheck) {
            EXPECT_EQ(kInvalidData, found.hr);
        }
        EXPECT_FALSE(found.hasRecord);
        EXPECT_EQ(L"beta-password", Lookup(store_.Get(), L"beta.corp").password);
    }
}

}  // namespace
