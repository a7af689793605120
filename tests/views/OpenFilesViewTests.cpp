// The open files view: its rows and closing one file or all of them.
#include "tests/views/ViewTestSupport.h"

namespace {

using namespace viewtest;

const std::string kScenario = AdminNetwork(R"(
    { "name": "FS01",
      "openFiles": [
        { "id": 31, "path": "D:\\Data\\b.txt", "user": "bob", "permissions": 3, "locks": 2 },
        { "id": 32, "path": "D:\\Data\\a.txt", "user": "ann", "permissions": 7 },
        { "id": 33, "path": "D:\\Data\\c.txt", "user": "carl", "permissions": 0 },
        { "id": 34, "path": "D:\\Data\\d.txt", "user": "dora", "permissions": 4, "locks": 1 }
      ] })");

class OpenFilesView : public ViewTest {
protected:
    OpenFilesView() : ViewTest(kScenario) {}
    static std::vector<DWORD> ServerFiles() {
        LPBYTE buffer = nullptr;
        DWORD read = 0, total = 0;
        std::vector<DWORD> ids;
        if (plat::NetFileEnum(const_cast<LMSTR>(L"FS01"), nullptr, nullptr, 2, &buffer, MAX_PREFERRED_LENGTH, &read,
                              &total, nullptr) == 0) {
            for (DWORD i = 0; i < read; ++i) ids.push_back(reinterpret_cast<FILE_INFO_2*>(buffer)[i].fi2_id);
        }
        plat::NetApiBufferFree(buffer);
        return ids;
    }
};

TEST_F(OpenFilesView, RowsWithTypeLocksAndOpenModeAndTheirPopups) {
    HWND view = Open(vantrel::OpenFilesView(), L"FS01");
    const Rows expected = {
        {L"D:\\Data\\a.txt", L"ann", L"Windows", L"0", L"Write+Read+Create"},
        {L"D:\\Data\\b.txt", L"bob", L"Windows", L"2", L"Write+Read"},
        {L"D:\\Data\\c.txt", L"carl", L"Windows", L"0", L""},
        {L"D:\\Data\\d.txt", L"dora", L"Windows", L"1", L"Create"},
    };
    EXPECT_EQ(expected, ReadRows(view));
    EXPECT_EQ(1, RowItem(view, 0).iImage);
    EXPECT_EQ(32, RowItem(view, 0).lParam) << "item data is the file id";
    EXPECT_EQ(150, ListView_GetColumnWidth(List(view), 4));

    MenuPicker empty(-1);
    RightClick(view, POINT{5, 250});
    Pump(100);
    EXPECT_EQ((std::vector<std::wstring>{L"Disconnect &All Open Files", L"Re&fresh"}), empty.Stop());
    MenuPicker item(-1);
    RightClick(view, ItemPoint(view, 0));
    Pump(100);
    EXPECT_EQ((std::vector<std::wstring>{L"Close &Open File", L"Re&fresh"}), item.Stop());
}

TEST_F(OpenFilesView, OneCallShowsTheFirstBatch) {
    std::wstring error;
    std::string text = kScenario;
    text.replace(text.find("\"name\": \"FS01\","), 15, "\"name\": \"FS01\", \"enumBatch\": 3,");
    ASSERT_EQ(0u, lab::LoadScenarioText(text, &error)) << error;
    HWND view = Open(vantrel::OpenFilesView(), L"FS01");
    EXPECT_EQ(1u, LabCallCount(L"FS01", "NetFileEnum"));
    EXPECT_EQ(3, ListView_GetItemCount(List(view)));
    EXPECT_TRUE(Shown(List(view))) << "more data is not a failure";
}

TEST_F(OpenFilesView, FailureShowsTheTextOrTheSentence) {
    LabAddFault(L"FS01", "NetFileEnum", 0xFFFF, 1, 1);
    HWND view = Open(vantrel::OpenFilesView(), L"FS01");
    EXPECT_EQ(L"The open files on the selected computer cannot be enumerated.", Text(view, IDC_VIEW_MESSAGE));
    EXPECT_FALSE(Shown(List(view)));
}

TEST_F(OpenFilesView, CloseSelectedFiles) {
    HWND view = Open(vantrel::OpenFilesView(), L"FS01");
    Select(view, 0);  // a.txt, id 32
    Select(view, 3);  // d.txt, id 34
    testsupport::MessageBoxAnswerer answerer(::GetCurrentThreadId(), IDOK);
    Command(view, ID_VIEW_CLOSE_OPEN_FILE);
    const auto boxes = answerer.Stop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Are you sure you wish to close the open file?", boxes[0].text);
    EXPECT_EQ((std::vector<DWORD>{31, 33}), ServerFiles());
}

TEST_F(OpenFilesView, CloseAllWithAFailureTellsOnce) {
    HWND view = Open(vantrel::OpenFilesView(), L"FS01");
    LabAddFault(L"FS01", "NetFileClose", ERROR_ACCESS_DENIED, 1, 1);
    testsupport::MessageBoxAnswerer answerer(::GetCurrentThreadId(),
                                             [](const testsupport::SeenBox&) { return IDOK; });
    Command(view, ID_VIEW_DISCONNECT_ALL_FILES);
    const auto boxes = answerer.Stop();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(L"Are you sure you wish to close all resources?", boxes[0].text);
    EXPECT_EQ(L"Information", boxes[1].title);
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, false) + L"\r\nOne or more files could not be closed.\r\nNote, if you are closing files on "
              L"a remote computer you may not be \r\nable to close all of the files you have open.",
              boxes[1].text);
    EXPECT_EQ(std::vector<DWORD>{32}, ServerFiles()) << "the first close failed, the others went through";
}

}  // namespace
