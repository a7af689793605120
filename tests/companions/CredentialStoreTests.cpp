// The credentials store through its COM interface: what it keeps, how keys
// match, its answers for missing entries and bad arguments, and use from
// another apartment.
#include "tests/companions/CompanionTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace companiontest;
using vantrel::ComPtr;
using vantrel::UniqueBstr;

namespace {

class CompanionStore : public ::testing::Test {
protected:
    ComApartment apartment_;
    ScratchFolder folder_;
    CompanionModule module_;
    ComPtr<ICredentialStore> store_ = module_.Store();

    void SetUp() override { ASSERT_TRUE(store_) << "VantrelCompanions.dll did not give a store"; }
};

TEST_F(CompanionStore, AnAddedEntryComesBackWithItsAccountAndPassword) {
    ASSERT_EQ(S_OK, Add(store_.Get(), L"Lab:Server1.corp.example", 2, L"CORP\\admin", L"s3cret!"));
    const Found found = Lookup(store_.Get(), L"Lab:Server1.corp.example");
    EXPECT_EQ(S_OK, found.hr);
    EXPECT_EQ(2, found.format);
    EXPECT_EQ(L"CORP\\admin", found.user);
    EXPECT_EQ(L"s3cret!", found.password);

    // The recall options travel with the lookup but do not change it.
    ComPtr<IUnknown> record;
    EXPECT_EQ(S_OK, store_->LookupWithOptions(Bstr(L"Lab:Server1.corp.example").Get(), 2, record.Put()));
    ComPtr<ICredentialRecord> credentials;
    EXPECT_EQ(S_OK, record.QueryTo(credentials.Put()));

    // Another store object (each worker creates its own) reads the same file;
    // an empty password is a password.
    ComPtr<ICredentialStore> other = module_.Store();
    EXPECT_EQ(L"s3cret!", Lookup(other.Get(), L"Lab:Server1.corp.example").password);
    ASSERT_EQ(S_OK, other->Add(Bstr(L"kiosk").Get(), 2, Bstr(L"SHOP\\kiosk").Get(), nullptr));
    const Found empty = Lookup(store_.Get(), L"kiosk");
    EXPECT_EQ(S_OK, empty.hr);
    EXPECT_EQ(L"", empty.password);
}

TEST_F(CompanionStore, KeysMatchWithoutRegardToCaseAndTheLatestAddWins) {
    ASSERT_EQ(S_OK, Add(store_.Get(), L"Lab:Server1", 2, L"CORP\\old", L"one"));
    EXPECT_EQ(L"one", Lookup(store_.Get(), L"LAB:SERVER1").password);
    ASSERT_EQ(S_OK, Add(store_.Get(), L"Zweigstelle:M\u00FCnchen", 2, L"M\u00DCNCHEN\\J\u00FCrgen", L"\u5BC6\u7801"));
    EXPECT_EQ(L"\u5BC6\u7801", Lookup(store_.Get(), L"zweigstelle:M\u00DCNCHEN").password);

    ASSERT_EQ(S_OK, Add(store_.Get(), L"lab:server1", 8, L"new@corp.example", L"two"));
    const Found found = Lookup(store_.Get(), L"Lab:Server1");
    EXPECT_EQ(8, found.format);
    EXPECT_EQ(L"new@corp.example", found.user);
    EXPECT_EQ(L"two", found.password);

    std::vector<Listed> entries;
    ASSERT_EQ(S_OK, List(store_.Get(), &entries));
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(L"lab:server1", entries[0].key);  // the spelling of the latest add
}

TEST_F(CompanionStore, MissingEntriesGiveSFalseAndRemoveTakesOnlyItsOwn) {
    // No file at all yet.
    Found found = Lookup(store_.Get(), L"server9");
    EXPECT_EQ(S_FALSE, found.hr);
    EXPECT_FALSE(found.hasRecord);
    EXPECT_EQ(S_FALSE, store_->Remove(Bstr(L"server9").Get()));

    ASSERT_EQ(S_OK, Add(store_.Get(), L"a.corp", 2, L"CORP\\a", L"pa"));
    ASSERT_EQ(S_OK, Add(store_.Get(), L"b.corp", 2, L"CORP\\b", L"pb"));
    found = Lookup(store_.Get(), L"server9");
    EXPECT_EQ(S_FALSE, found.hr);
    EXPECT_FALSE(found.hasRecord);
    // A key is matched whole, not as a prefix or a dotted parent.
    EXPECT_EQ(S_FALSE, Lookup(store_.Get(), L"a").hr);
    EXPECT_EQ(S_FALSE, Lookup(store_.Get(), L"a.corp.example").hr);

    EXPECT_EQ(S_OK, store_->Remove(Bstr(L"A.CORP").Get()));
    EXPECT_EQ(S_FALSE, Lookup(store_.Get(), L"a.corp").hr);
    EXPECT_EQ(L"pb", Lookup(store_.Get(), L"b.corp").password);
    EXPECT_EQ(S_FALSE, store_->Remove(Bstr(L"a.corp").Get()));
}

TEST_F(CompanionStore, ListIsInKeyOrderAndStableUntilTheNextCount) {
    for (const wchar_t* key : {L"c.corp", L"A.corp", L"b.corp"})
        ASSERT_EQ(S_OK, Add(store_.Get(), key, 2, std::wstring(L"CORP\\") + key, L"pw"));

    long count = 0;
    ASSERT_EQ(S_OK, store_->GetCount(&count));
    ASSERT_EQ(3, count);
    // Someone else changes the store while we walk our list.
    ASSERT_EQ(S_OK, Add(module_.Store().Get(), L"0.corp", 2, L"CORP\\zero", L"pw"));

    std::vector<std::wstring> keys;
    for (long i = 0; i < count; ++i) {
        UniqueBstr key, user;
        long format = 0;
        ASSERT_EQ(S_OK, store_->GetEntry(i, key.Put(), &format, user.Put()));
        keys.push_back(Text(key.Get()));
        EXPECT_EQ(L"CORP\\" + keys.back(), Text(user.Get()));
    }
    EXPECT_EQ((std::vector<std::wstring>{L"A.corp", L"b.corp", L"c.corp"}), keys);

    UniqueBstr key, user;
    long format = 0;
    EXPECT_EQ(E_INVALIDARG, store_->GetEntry(3, key.Put(), &format, user.Put()));
    EXPECT_EQ(E_INVALIDARG, store_->GetEntry(-1, key.Put(), &format, user.Put()));
    EXPECT_EQ(nullptr, key.Get());

    ASSERT_EQ(S_OK, store_->GetCount(&count));
    EXPECT_EQ(4, count);
}

TEST_F(CompanionStore, BadArgumentsAreRefusedAndChangeNothing) {
    ComPtr<IUnknown> record;
    EXPECT_EQ(E_INVALIDARG, store_->Lookup(nullptr, record.Put()));
    EXPECT_EQ(E_INVALIDARG, store_->LookupWithOptions(Bstr(L"").Get(), 2, record.Put()));
    EXPECT_EQ(E_POINTER, store_->Lookup(Bstr(L"server1").Get(), nullptr));
    EXPECT_EQ(E_INVALIDARG, store_->Remove(nullptr));
    EXPECT_EQ(E_INVALIDARG, store_->Add(nullptr, 2, Bstr(L"CORP\\a").Get(), Bstr(L"pw").Get()));
    EXPECT_EQ(E_INVALIDARG, store_->Add(Bstr(L"server1").Get(), 2, nullptr, Bstr(L"pw").Get()));
    EXPECT_EQ(E_INVALIDARG, store_->Add(Bstr(L"server1").Get(), -1, Bstr(L"CORP\\a").Get(), Bstr(L"pw").Get()));
    // A key with an embedded null could never be asked for again.
    EXPECT_EQ(E_INVALIDARG, Add(store_.Get(), std::wstring(L"a\0b", 3), 2, L"CORP\\a", L"pw"));

    long count = -1;
    ASSERT_EQ(S_OK, store_->GetCount(&count));
    EXPECT_EQ(0, count);
}

TEST_F(CompanionStore, ARecordKeepsWhatWasLookedUpAndTheModuleWhileItLives) {
    ASSERT_EQ(S_OK, Add(store_.Get(), L"server1", 2, L"CORP\\admin", L"first"));
    ComPtr<IUnknown> record;
    ASSERT_EQ(S_OK, store_->Lookup(Bstr(L"server1").Get(), record.Put()));
    ASSERT_EQ(S_OK, Add(store_.Get(), L"server1", 2, L"CORP\\admin", L"second"));
    ASSERT_EQ(S_OK, store_->Remove(Bstr(L"server1").Get()));
    store_.Reset();

    ComPtr<ICredentialRecord> credentials;
    ASSERT_EQ(S_OK, record.QueryTo(credentials.Put()));
    vantrel::UniqueSecretBstr password;
    ASSERT_EQ(S_OK, credentials->GetPassword(password.Put()));
    EXPECT_EQ(L"first", Text(password.Get()));
    // The record is the only object left, and it must keep the DLL loaded.
    EXPECT_EQ(S_FALSE, module_.CanUnloadNow());
    credentials.Reset();
    record.Reset();
    EXPECT_EQ(S_OK, module_.CanUnloadNow());
}

TEST_F(CompanionStore, ItIsUsedDirectlyFromAnotherApartment) {
    ASSERT_EQ(S_OK, Add(store_.Get(), L"server1", 2, L"CORP\\admin", L"pw"));
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, ::CoMarshalInterThreadInterfaceInStream(IID_ICredentialStore, store_.Get(), &stream));
    std::wstring password;
    bool same = false;
    // Workers run in their own apartments; the store must reach them without
    // a proxy (which would need the type library registered).
    std::thread worker([&] {
        ComApartment mta(COINIT_MULTITHREADED);
        ComPtr<ICredentialStore> there;
        if (FAILED(::CoGetInterfaceAndReleaseStream(stream, IID_ICredentialStore, there.PutVoid()))) return;
        same = there.Get() == store_.Get();
        password = Lookup(there.Get(), L"server1").password;
    });
    worker.join();
    EXPECT_TRUE(same);
    EXPECT_EQ(L"pw", password);
}

}  // namespace
