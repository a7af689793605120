// EnumPrintersW at level 2 as the spooler answers it.
#include "LabTest.h"

#include "platform/Printing.h"

#include <vector>

namespace {

using labtest::LabTest;

class LabPrinting : public LabTest {};

struct Answer {
    BOOL ok = FALSE;
    DWORD error = 0;
    DWORD needed = 0;
    DWORD count = 0;
};

Answer Enumerate(const wchar_t* server, BYTE* buffer, DWORD size, DWORD level = 2) {
    Answer a;
    std::wstring name = server ? server : L"";
    ::SetLastError(0);
    a.ok = plat::EnumPrintersW(server ? PRINTER_ENUM_NAME : PRINTER_ENUM_LOCAL, server ? name.data() : nullptr, level,
                               buffer, size, &a.needed, &a.count);
    a.error = a.ok ? 0 : ::GetLastError();
    return a;
}

TEST_F(LabPrinting, SizeQueryThenRecordsInsideTheBuffer) {
    const Answer query = Enumerate(L"\\\\PRINT01", nullptr, 0);
    EXPECT_FALSE(query.ok);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), query.error);
    ASSERT_GT(query.needed, 3 * sizeof(PRINTER_INFO_2W));

    std::vector<BYTE> small(query.needed - 1);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), Enumerate(L"\\\\PRINT01", small.data(), query.needed - 1).error);

    std::vector<BYTE> buffer(query.needed);
    const Answer full = Enumerate(L"\\\\PRINT01", buffer.data(), query.needed);
    ASSERT_TRUE(full.ok);
    ASSERT_EQ(3u, full.count);
    const auto* p = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    EXPECT_STREQ(L"\\\\PRINT01\\Floor2-Laser", p[0].pPrinterName);
    EXPECT_STREQ(L"\\\\PRINT01", p[0].pServerName);
    EXPECT_STREQ(L"Floor2", p[0].pShareName);
    EXPECT_STREQ(L"Room 204", p[0].pLocation);
    EXPECT_EQ(3u, p[0].cJobs);
    EXPECT_NE(0u, p[0].Attributes & PRINTER_ATTRIBUTE_SHARED);
    EXPECT_EQ(0u, p[1].Attributes & PRINTER_ATTRIBUTE_SHARED);
    EXPECT_EQ(9u, p[1].Status);
    const BYTE* end = buffer.data() + buffer.size();
    for (DWORD i = 0; i < full.count; ++i) {
        for (const wchar_t* s : {p[i].pPrinterName, p[i].pShareName, p[i].pPortName, p[i].pDriverName,
                                 p[i].pComment, p[i].pLocation}) {
            const auto* at = reinterpret_cast<const BYTE*>(s);
            EXPECT_GE(at, buffer.data() + full.count * sizeof(PRINTER_INFO_2W));
            EXPECT_LT(at, end);
        }
    }
}

TEST_F(LabPrinting, NoPrintersIsAnEmptyAnswerAndFailuresCarryTheirCodes) {
    const Answer none = Enumerate(L"\\\\FS01", nullptr, 0);
    EXPECT_TRUE(none.ok);
    EXPECT_EQ(0u, none.needed);
    EXPECT_EQ(0u, none.count);

    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), Enumerate(L"\\\\PRINT01", nullptr, 0, 1).error);
    const Answer unknown = Enumerate(L"\\\\NOSUCHHOST", nullptr, 0);
    EXPECT_FALSE(unknown.ok);
    EXPECT_EQ(static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE), unknown.error);
}

// The lab's queue or properties window with `title`, or null.
HWND PrinterWindow(const wchar_t* title) {
    for (int i = 0; i < 100; ++i) {
        if (HWND w = ::FindWindowW(L"VantrelLabPrinterWindow", title)) return w;
        ::Sleep(10);
    }
    return nullptr;
}

void ClosePrinterWindow(HWND window) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    for (int i = 0; i < 100 && ::IsWindow(window); ++i) ::Sleep(10);
}

TEST_F(LabPrinting, ShellOpensQueueAndPropertiesWindowsOfKnownPrinters) {
    ASSERT_TRUE(plat::SHInvokePrinterCommandW(nullptr, PRINTACTION_OPEN, L"\\\\PRINT01\\Floor2-Laser", nullptr, FALSE));
    HWND queue = PrinterWindow(L"Floor2-Laser on PRINT01");
    ASSERT_TRUE(queue);
    EXPECT_TRUE(::IsWindowVisible(queue));
    ClosePrinterWindow(queue);
    ASSERT_TRUE(plat::SHInvokePrinterCommandW(nullptr, PRINTACTION_PROPERTIES, L"\\\\print01\\plotter", nullptr, FALSE));
    HWND properties = PrinterWindow(L"Plotter Properties");
    ASSERT_TRUE(properties);
    ClosePrinterWindow(properties);
    EXPECT_EQ(2u, LabCallCount(L"PRINT01", "SHInvokePrinterCommandW"));
}

TEST_F(LabPrinting, ShellRefusesUnknownPrintersAndServersWithTheirCodes) {
    const struct {
        const wchar_t* path;
        UINT action;
        DWORD error;
    } cases[] = {
        {L"\\\\PRINT01\\NoSuchPrinter", PRINTACTION_OPEN, ERROR_INVALID_PRINTER_NAME},
        {L"PRINT01\\Floor2-Laser", PRINTACTION_OPEN, ERROR_INVALID_PRINTER_NAME},  // no server part
        {L"\\\\PRINT01", PRINTACTION_OPEN, ERROR_INVALID_PRINTER_NAME},
        {L"", PRINTACTION_OPEN, ERROR_INVALID_PRINTER_NAME},
        {L"\\\\NOSUCHHOST\\Floor2-Laser", PRINTACTION_OPEN, RPC_S_SERVER_UNAVAILABLE},
        {L"\\\\LAPTOP07\\Floor2-Laser", PRINTACTION_PROPERTIES, RPC_S_SERVER_UNAVAILABLE},
        {L"\\\\PRINT01\\Floor2-Laser", 7, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        ::SetLastError(0);
        EXPECT_FALSE(plat::SHInvokePrinterCommandW(nullptr, c.action, c.path, nullptr, FALSE)) << c.path;
        EXPECT_EQ(c.error, ::GetLastError()) << c.path;
    }
    EXPECT_EQ(nullptr, ::FindWindowW(L"VantrelLabPrinterWindow", nullptr));
}

}  // namespace
