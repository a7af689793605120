// The terminal sessions and printers views on the real backend, against
// what Wine implements: its spooler has no printers without CUPS printers
// (an empty list, no error), and its WTSOpenServerW fails for any computer
// name with 120, where Windows opens the server and enumerates its sessions.
#include "tests/views/ViewTestSupport.h"

#include "platform/TerminalServices.h"
#include "views/PrintersView.h"
#include "views/TerminalSessionsView.h"

namespace {

using namespace viewtest;

std::wstring LocalName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ::GetComputerNameW(name, &size);
    return name;
}

class ViewsOnWine : public ::testing::Test {
protected:
    void TearDown() override {
        if (::IsWindow(view_)) ::DestroyWindow(view_);
        Pump(50);
    }
    HWND Open(const vantrel::ViewDefinition& definition, const std::wstring& computer) {
        view_ = OpenView(definition, computer.c_str());
        return view_;
    }
    ComApartment apartment_;
    HWND view_ = nullptr;
};

TEST_F(ViewsOnWine, PrintersOfTheLocalComputerAreAnEmptyListWithoutError) {
    testsupport::ProcessDialogWatcher watcher(testsupport::AnswerBoxes(IDOK));
    for (const std::wstring& name : {LocalName(), L"\\\\" + LocalName()}) {
        HWND view = Open(vantrel::PrintersView(), name);
        ASSERT_TRUE(view);
        EXPECT_EQ(0, ListView_GetItemCount(List(view))) << "Wine's spooler lists no printers here";
        EXPECT_TRUE(Shown(List(view)));
        EXPECT_FALSE(Shown(Message(view))) << testing::PrintToString(Text(view, IDC_VIEW_MESSAGE));
        ::DestroyWindow(view);
    }
    EXPECT_TRUE(watcher.Stop().empty()) << "0 bytes is no allocation failure";
}

TEST_F(ViewsOnWine, TerminalSessionsShowWinesOpenFailure) {
    // Windows would list the console and its listeners here.
    ::SetLastError(0);
    std::wstring name = LocalName();
    EXPECT_EQ(nullptr, plat::WTSOpenServerW(name.data()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), ::GetLastError());

    HWND view = Open(vantrel::TerminalSessionsView(), name);
    ASSERT_TRUE(view);
    EXPECT_TRUE(Shown(Message(view)));
    EXPECT_FALSE(Shown(List(view)));
    EXPECT_EQ(PlatformText(ERROR_CALL_NOT_IMPLEMENTED, true), Text(view, IDC_VIEW_MESSAGE));
}

}  // namespace
