#include "common/Handles.h"
#include "common/ModuleLibrary.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vantrel;

TEST(Handles, OwnersCloseOnceAndMove) {
    UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE raw = event.Get();
    UniqueHandle moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(raw, moved.Get());
    moved.Reset();
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(raw, &flags));  // closed

    UniqueFileHandle file;
    EXPECT_FALSE(file);
    EXPECT_EQ(INVALID_HANDLE_VALUE, file.Get());

    UniqueBstr text(::SysAllocString(L"abc"));
    BSTR released = text.Release();
    EXPECT_FALSE(text);
    ::SysFreeString(released);
}

TEST(ModuleLibraryLoad, RefusesMissingNamesAndFreesWhatItLoaded) {
    ModuleLibrary library;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), library.Load(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), library.Load(L""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), library.Load(L"no-such-table.dll"));
    EXPECT_EQ(nullptr, library.Handle());

    ASSERT_EQ(nullptr, ::GetModuleHandleW(L"activeds.dll"));
    ASSERT_EQ(0u, library.Load(L"ActiveDS.dll"));
    EXPECT_NE(nullptr, ::GetModuleHandleW(L"activeds.dll"));
    library.Free();
    library.Free();  // once only
    EXPECT_EQ(nullptr, ::GetModuleHandleW(L"activeds.dll"));
}

TEST(Handles, ApartmentEndsOnlyWhatItStarted) {
    std::thread([] {
        ComApartment outer;
        ASSERT_EQ(S_OK, outer.Result());
        {
            ComApartment nested;                          // counted: ends with its scope
            EXPECT_EQ(S_FALSE, nested.Result());
            ComApartment other(COINIT_MULTITHREADED);     // refused: must not end the outer one
            EXPECT_EQ(RPC_E_CHANGED_MODE, other.Result());
        }
        // Still initialised once: another start is only counted.
        const HRESULT again = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        EXPECT_EQ(S_FALSE, again);
        if (SUCCEEDED(again)) ::CoUninitialize();
    }).join();
}

TEST(Handles, VariantCopiesDeeplyAndClearsOnEveryWayOut) {
    VARIANT source;
    source.vt = VT_BSTR;
    source.bstrVal = ::SysAllocString(L"FS01");
    UniqueVariant copy;
    ASSERT_EQ(S_OK, copy.CopyFrom(source));
    ::VariantClear(&source);  // the copy owns its own string
    ASSERT_EQ(VT_BSTR, copy.Get().vt);
    EXPECT_STREQ(L"FS01", copy.Get().bstrVal);

    UniqueVariant moved(std::move(copy));
    EXPECT_EQ(VT_EMPTY, copy.Get().vt);
    EXPECT_EQ(VT_BSTR, moved.Get().vt);
    EXPECT_EQ(VT_EMPTY, moved.Put()->vt);  // the slot is cleared before it is handed out
}
