// The printers view through its real window: rows, status texts, images,
// empty spoolers, failures, and opening queues and properties.
#include "tests/views/ViewTestSupport.h"

#include "platform/Printing.h"
#include "resources/ResourceViewsIds.h"
#include "views/PrintersView.h"

#include <atomic>
#include <mutex>

namespace {

using namespace viewtest;
using testsupport::ProcessDialogWatcher;
using testsupport::SeenBox;

const std::string kScenario = AdminNetwork(R"(
    { "name": "P1", "printers": [
        { "name": "Laser", "share": "L", "comment": "Hall", "location": "Floor 2", "driver": "PS Driver",
          "status": 136, "jobs": 4, "shared": true },
        { "name": "Plotter", "driver": "HPGL", "jobs": 0 },
        { "name": "Inkjet", "status": 2, "jobs": 1 },
        { "name": "Odd", "status": 1073741824 } ] },
    { "name": "EMPTY" },
    { "name": "GONE", "online": false })");

constexpr wchar_t kPrinterWindowClass[] = L"VantrelLabPrinterWindow";

std::vector<std::wstring> PrinterWindows() {
    std::vector<std::wstring> titles;
    ::EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            wchar_t cls[64] = {};
            ::GetClassNameW(w, cls, 64);
            if (std::wstring(cls) == kPrinterWindowClass)
                reinterpret_cast<std::vector<std::wstring>*>(p)->push_back(testsupport::WindowText(w));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&titles));
    std::sort(titles.begin(), titles.end());
    return titles;
}

void ClosePrinterWindows() {
    for (int round = 0; round < 50; ++round) {
        HWND w = ::FindWindowW(kPrinterWindowClass, nullptr);
        if (!w) return;
        ::SendMessageTimeoutW(w, WM_CLOSE, 0, 0, SMTO_NORMAL, 1000, nullptr);
    }
}

// Makes the task allocator refuse blocks of one size (the COM allocator's
// own test hook); every other allocation goes through.
class RefusingSpy final : public IMallocSpy {
public:
    // COM keeps using a revoked spy until the blocks allocated under it are
    // freed: the one spy lives as long as the process, and is disarmed.
    static RefusingSpy& Get() {
        static RefusingSpy spy;
        return spy;
    }
    void Arm(SIZE_T refused) {
        refused_ = refused;
        refusals_ = 0;
    }
    void Disarm() { refused_ = 0; }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
            *out = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T cb) override {
        if (cb == 0 || cb != refused_) return cb;
        ++refusals_;
        return 0;
    }
    STDMETHODIMP_(void*) PostAlloc(void* actual) override { return actual; }
    STDMETHODIMP_(void*) PreFree(void* request, BOOL) override { return request; }
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void* request, SIZE_T cb, void** newRequest, BOOL) override {
        *newRequest = request;
        return cb;
    }
    STDMETHODIMP_(void*) PostRealloc(void* actual, BOOL) override { return actual; }
    STDMETHODIMP_(void*) PreGetSize(void* request, BOOL) override { return request; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    STDMETHODIMP_(void*) PreDidAlloc(void* request, BOOL) override { return request; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}
    int Refusals() const { return refusals_; }

private:
    std::atomic<SIZE_T> refused_{0};
    std::atomic<int> refusals_{0};
};

class PrintersView : public ViewTest {
protected:
    PrintersView() : ViewTest(kScenario) {}
    void TearDown() override {
        ClosePrinterWindows();
        ViewTest::TearDown();
    }
    static void SelectNames(HWND view, std::vector<const wchar_t*> names) {
        ListView_SetItemState(List(view), -1, 0, LVIS_SELECTED);
        for (const wchar_t* name : names) Select(view, FindRow(view, name));
    }
};

TEST_F(PrintersView, RowsWithStatusTextsImagesAndPopups) {
    HWND view = Open(vantrel::PrintersView(), L"\\\\P1");
    const Rows expected = {
        {L"Inkjet", L"1", L"Error", L"", L"", L""},
        {L"Laser", L"4", L"Off line - Paper is jammed", L"Hall", L"Floor 2", L"PS Driver"},
        {L"Odd", L"0", L"", L"", L"", L""},
        {L"Plotter", L"0", L"Ready", L"", L"", L"HPGL"},
    };
    EXPECT_EQ(expected, ReadRows(view));
    EXPECT_EQ((std::vector<int>{4, 16, 4, 4}), RowImages(view));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(0, RowItem(view, i).lParam) << i;
    EXPECT_EQ(250, ListView_GetColumnWidth(List(view), 0));
    EXPECT_EQ(100, ListView_GetColumnWidth(List(view), 5));
    EXPECT_EQ(2u, LabCallCount(L"P1", "EnumPrintersW")) << "the size, then the records";
    {
        MenuPicker picker(-1);
        RightClick(view, ItemPoint(view, 0));
        EXPECT_EQ((std::vector<std::wstring>{L"&Open", L"P&roperties"}), picker.Stop());
    }
    MenuPicker picker(-1);
    RightClick(view, POINT{5, 250});
    EXPECT_EQ((std::vector<std::wstring>{L"R&efresh"}), picker.Stop());
}

TEST_F(PrintersView, NoPrintersIsAnEmptyListWithoutError) {
    ProcessDialogWatcher watcher(testsupport::AnswerBoxes(IDOK));
    HWND view = Open(vantrel::PrintersView(), L"EMPTY");
    EXPECT_EQ(0, ListView_GetItemCount(List(view)));
    EXPECT_TRUE(Shown(List(view)));
    EXPECT_FALSE(Shown(Message(view)));
    EXPECT_TRUE(watcher.Stop().empty());
    EXPECT_EQ(1u, LabCallCount(L"EMPTY", "EnumPrintersW")) << "no bytes: nothing to fetch";
}

TEST_F(PrintersView, EnumerationFailuresReplaceTheList) {
    const struct {
        const wchar_t* computer;
        DWORD fromCall;  // 1: the size query fails, 2: the fetch
        DWORD error;
        std::wstring shown;
    } cases[] = {
        {L"GONE", 0, 0, PlatformText(RPC_S_SERVER_UNAVAILABLE, true)},
        {L"P1", 1, ERROR_ACCESS_DENIED, PlatformText(ERROR_ACCESS_DENIED, true)},
        {L"P1", 2, ERROR_ACCESS_DENIED, PlatformText(ERROR_ACCESS_DENIED, true)},
        {L"P1", 1, 0x2A1F, L"Printers could not be enumerated."},  // a code without a text
    };
    for (const auto& c : cases) {
        const DWORD rule = c.error ? LabAddFault(c.computer, "EnumPrintersW", c.error, c.fromCall, 1) : 0;
        HWND view = Open(vantrel::PrintersView(), c.computer);
        EXPECT_EQ(c.shown, Text(view, IDC_VIEW_MESSAGE)) << c.computer << " " << c.fromCall;
        EXPECT_TRUE(Shown(Message(view)));
        EXPECT_FALSE(Shown(List(view)));
        EXPECT_EQ(0, ListView_GetItemCount(List(view)));
        if (rule) LabRemoveRule(rule);
        ::DestroyWindow(view);
    }
}

TEST_F(PrintersView, BufferThatCannotBeAllocatedIsReportedInABox) {
    DWORD needed = 0, count = 0;
    ASSERT_FALSE(plat::EnumPrintersW(PRINTER_ENUM_NAME, const_cast<LPWSTR>(L"\\\\P1"), 2, nullptr, 0, &needed, &count));
    RefusingSpy& spy = RefusingSpy::Get();
    spy.Arm(needed);
    ASSERT_EQ(S_OK, ::CoRegisterMallocSpy(&spy));
    BoxLog log;
    HWND view = Open(vantrel::PrintersView(), L"\\\\P1");
    const auto boxes = log.Stop();
    spy.Disarm();
    const HRESULT revoked = ::CoRevokeMallocSpy();
    EXPECT_TRUE(revoked == S_OK || revoked == E_ACCESSDENIED) << std::hex << revoked;  // blocks still out
    EXPECT_EQ(1, spy.Refusals());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Error", boxes[0].first);
    EXPECT_EQ(PlatformText(ERROR_OUTOFMEMORY, false), boxes[0].second);
    EXPECT_EQ(0, ListView_GetItemCount(List(view)));
    EXPECT_EQ(2u, LabCallCount(L"P1", "EnumPrintersW")) << "the test's size query and the view's; no fetch";
}

TEST_F(PrintersView, OpenPropertiesAndDoubleClickReachEverySelectedPrinter) {
    HWND view = Open(vantrel::PrintersView(), L"\\\\P1");
    ProcessDialogWatcher watcher(testsupport::AnswerBoxes(IDOK));
    SelectNames(view, {L"Laser", L"Plotter"});
    Command(view, ID_VIEW_PRINTER_OPEN);
    EXPECT_EQ((std::vector<std::wstring>{L"Laser on P1", L"Plotter on P1"}), PrinterWindows());
    ClosePrinterWindows();

    SelectNames(view, {L"Inkjet"});
    Command(view, ID_VIEW_PROPERTIES);
    EXPECT_EQ((std::vector<std::wstring>{L"Inkjet Properties"}), PrinterWindows());
    ClosePrinterWindows();

    // A double-click on a row opens the queues of the whole selection.
    SelectNames(view, {L"Inkjet", L"Odd"});
    DoubleClick(view, FindRow(view, L"Odd"));
    EXPECT_EQ((std::vector<std::wstring>{L"Inkjet on P1", L"Odd on P1"}), PrinterWindows());
    EXPECT_TRUE(watcher.Stop().empty()) << "no confirmation, no failure";
    EXPECT_EQ(2u, LabCallCount(L"P1", "EnumPrintersW")) << "a printer command does not refresh the view";
}

TEST_F(PrintersView, EachPrinterThatCannotOpenGetsItsOwnBox) {
    // The console's name without backslashes makes paths the shell rejects.
    HWND bare = Open(vantrel::PrintersView(), L"P1");
    BoxLog log;
    SelectNames(bare, {L"Laser", L"Plotter"});
    Command(bare, ID_VIEW_PRINTER_OPEN);
    const std::wstring invalid = PlatformText(ERROR_INVALID_PRINTER_NAME, false);
    EXPECT_EQ((std::vector<BoxLog::Entry>{{L"Error", invalid + L"\r\nLaser"}, {L"Error", invalid + L"\r\nPlotter"}}),
              log.Take());

    // The server goes away after the listing: the first printer fails, the
    // second is still tried.
    HWND view = Open(vantrel::PrintersView(), L"\\\\P1");
    LabAddFault(L"P1", "SHInvokePrinterCommandW", RPC_S_SERVER_UNAVAILABLE, 1, 1);
    SelectNames(view, {L"Inkjet", L"Laser"});
    Command(view, ID_VIEW_PROPERTIES);
    EXPECT_EQ((std::vector<BoxLog::Entry>{{L"Error", PlatformText(RPC_S_SERVER_UNAVAILABLE, false) + L"\r\nInkjet"}}),
              log.Stop());
    EXPECT_EQ((std::vector<std::wstring>{L"Laser Properties"}), PrinterWindows());
}

}  // namespace
