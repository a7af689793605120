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

}  // namespace
