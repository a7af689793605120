// The shipped Vantrel.dll's users and groups views against Wine's own
// netapi32 on the local computer. Wine lists the current user, Administrator
// and Guest (Guest disabled) through NetQueryDisplayInformation and no local
// groups at all through NetLocalGroupEnum. Wine stops the whole process on
// NetUserSetInfo (not implemented there), so these tests never start the
// commands that call it (Enable, Disable, Set Password, Rename); Windows
// answers those as the lab does.
#include "Vantrel_h.h"
#include "public/ViewMessages.h"
#include "resources/ImageIndex.h"
#include "tests/support/TestProcess.h"

#include <windows.h>
#include <commctrl.h>
#include <lm.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class RealAccountViews : public ::testing::Test {
protected:
    void SetUp() override {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        module_ = ::LoadLibraryW(testsupport::BinPath(L"win32\\Vantrel.dll").c_str());
        ASSERT_NE(nullptr, module_);
        auto get = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
            ::GetProcAddress(module_, "DllGetClassObject"));
        IClassFactory* factory = nullptr;
        ASSERT_EQ(S_OK, get(CLSID_ComputerResMgmtUI, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IComputerResMgmtUI, reinterpret_cast<void**>(&ui_)));
        factory->Release();
    }
    void TearDown() override {
        for (HWND view : views_) ::DestroyWindow(view);
        if (ui_) ui_->Release();
        if (module_) ::FreeLibrary(module_);
        ::CoUninitialize();
    }

    static void Pump(DWORD ms) {
        const ULONGLONG end = ::GetTickCount64() + ms;
        do {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            ::Sleep(10);
        } while (::GetTickCount64() < end);
    }

    // The view of the local computer, fed as the console feeds it; its list
    // once it stopped changing.
    HWND Open(long uiIdentifier) {
        long handle = 0;
        EXPECT_EQ(S_OK, ui_->Create(uiIdentifier, &handle));
        HWND view = reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle));
        views_.push_back(view);
        wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD chars = MAX_COMPUTERNAME_LENGTH + 1;
        ::GetComputerNameW(computer, &chars);
        ::SendMessageW(view, vantrel::WM_SETCREDENTIALS, 0, reinterpret_cast<LPARAM>(::SysAllocString(L"")));
        ::SendMessageW(view, vantrel::WM_SETCOMPUTER, 0, reinterpret_cast<LPARAM>(::SysAllocString(computer)));
        vantrel::NMVIEWACTIVATE activate{};
        activate.hdr.hwndFrom = view;
        activate.hdr.code = vantrel::VIEWN_ACTIVATE;
        ::SendMessageW(view, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&activate));
        Pump(1500);
        return view;
    }

    static HWND List(HWND view) { return ::GetDlgItem(view, 202); }
    static bool MessageShown(HWND view) { return ::IsWindowVisible(::GetDlgItem(view, 250)) != FALSE; }
    static std::vector<std::wstring> Labels(HWND view) {
        std::vector<std::wstring> labels;
        for (int i = 0; i < ListView_GetItemCount(List(view)); ++i) {
            wchar_t text[256] = {};
            ListView_GetItemText(List(view), i, 0, text, 256);
            labels.push_back(text);
        }
        return labels;
    }

    HMODULE module_ = nullptr;
    IComputerResMgmtUI* ui_ = nullptr;
    std::vector<HWND> views_;
};

TEST_F(RealAccountViews, UsersAreWhatWinesDisplayInformationLists) {
    HWND view = Open(UIID_LOCAL_USERS);
    ASSERT_FALSE(MessageShown(view));
    std::vector<std::wstring> labels = Labels(view);
    wchar_t user[256] = {};
    DWORD chars = 256;
    ASSERT_TRUE(::GetUserNameW(user, &chars));
    for (const wchar_t* expected : {L"Administrator", L"Guest", static_cast<const wchar_t*>(user)})
        EXPECT_NE(labels.end(), std::find(labels.begin(), labels.end(), expected)) << expected;
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = L"Guest";
    // The list is owner-data: it keeps no item data, and the image is what
    // shows the disabled flag outside the module.
    LVITEMW guest{};
    guest.mask = LVIF_IMAGE;
    guest.iItem = ListView_FindItem(List(view), -1, &find);
    ASSERT_TRUE(ListView_GetItem(List(view), &guest));
    EXPECT_EQ(vantrel::IMAGE_DISABLED_USER, guest.iImage);
}

TEST_F(RealAccountViews, GroupsAreWhatWinesLocalGroupEnumLists) {
    // Wine keeps no local groups: an empty list, and no failure text.
    HWND view = Open(UIID_LOCAL_GROUPS);
    EXPECT_FALSE(MessageShown(view));
    EXPECT_TRUE(Labels(view).empty());
}

}  // namespace
