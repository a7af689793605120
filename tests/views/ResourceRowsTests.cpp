// The cell texts and menu rules of the terminal sessions and printers views.
#include "views/PrinterRows.h"
#include "views/TerminalRows.h"

#include "resources/ImageIndex.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace vantrel;

TEST(TerminalRows, StateAndProtocolNamesWithTheirCatchAll) {
    const TerminalTexts texts = LoadTerminalTexts();
    const struct {
        DWORD state;
        const wchar_t* name;
    } states[] = {{0, L"Active"}, {1, L"Connected"}, {2, L"Connecting"}, {3, L"Shadow"}, {4, L"Disconnected"},
                  {5, L"Idle"},   {6, L"Listen"},    {7, L"Reset"},      {8, L"Down"},   {9, L"Init"},
                  {10, L"Unknown"}, {0xFFFFFFFF, L"Unknown"}};
    for (const auto& s : states) EXPECT_EQ(s.name, StateName(texts, s.state)) << s.state;
    const struct {
        USHORT protocol;
        const wchar_t* name;
    } protocols[] = {{0, L"Console"}, {1, L"ICA"}, {2, L"Microsoft RDP"}, {3, L"Unknown"}, {0xFFFF, L"Unknown"}};
    for (const auto& p : protocols) EXPECT_EQ(p.name, ProtocolName(texts, p.protocol)) << p.protocol;
}

TEST(TerminalRows, SessionAndUserColumns) {
    EXPECT_EQ(L"RDP-Tcp#2", SessionLabel(L"RDP-Tcp#2", L"Active"));
    EXPECT_EQ(L"Listen", SessionLabel(L"", L"Listen"));
    EXPECT_EQ(L"Listen", SessionLabel(nullptr, L"Listen"));
    const struct {
        const wchar_t* domain;
        const wchar_t* user;
        const wchar_t* shown;
    } users[] = {{L"LAB", L"ann", L"LAB\\ann"}, {L"", L"ann", L"ann"}, {nullptr, L"ann", L"ann"},
                 {L"", L"", L""},               {L"LAB", L"", L"LAB\\"}, {nullptr, nullptr, L""}};
    for (const auto& u : users) EXPECT_EQ(u.shown, SessionUserText(u.domain, u.user));
    EXPECT_EQ(IMAGE_CONSOLE_SESSION, SessionImage(0));
    EXPECT_EQ(IMAGE_TERMINAL_SESSION, SessionImage(1));
    EXPECT_EQ(IMAGE_TERMINAL_SESSION, SessionImage(65536));
    EXPECT_EQ(65536u, SessionIdOfText(L"65536"));
    EXPECT_EQ(0u, SessionIdOfText(L""));
}

TEST(TerminalRows, PopupGreyingAddsUpOverTheSelection) {
    const struct {
        std::vector<DWORD> ids;
        bool close, reset, send;
    } cases[] = {
        {{2}, false, false, false},       {{0}, true, true, false},       {{65536}, true, false, true},
        {{2, 0}, true, true, false},      {{0, 65536}, true, true, true}, {{}, false, false, false},
    };
    for (const auto& c : cases) {
        const SessionMenuGreying g = GreyedSessionCommands(c.ids);
        EXPECT_EQ(c.close, g.close) << c.ids.size();
        EXPECT_EQ(c.reset, g.reset) << c.ids.size();
        EXPECT_EQ(c.send, g.send) << c.ids.size();
    }
    EXPECT_TRUE(CloseAllSkips(0));
    EXPECT_TRUE(CloseAllSkips(65536));
    EXPECT_FALSE(CloseAllSkips(1));
}

TEST(TerminalRows, MessageTitleCarriesTheLocalStampWithTwoDigitYear) {
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 3;
    t.wDay = 7;
    t.wHour = 9;
    t.wMinute = 5;
    t.wSecond = 1;
    EXPECT_EQ(L"Message from X - 03/07/26 09:05:01", MessageTitle(L"Message from X - ", t));
    t.wYear = 2000;
    t.wHour = 23;
    EXPECT_EQ(L"P03/07/00 23:05:01", MessageTitle(L"P", t));
}

TEST(PrinterRows, StatusTextsJoinInTableOrder) {
    const PrinterTexts texts = LoadPrinterTexts();
    const struct {
        DWORD status;
        const wchar_t* text;
    } cases[] = {
        {0, L"Ready"},
        {0x2, L"Error"},
        {0x88, L"Off line - Paper is jammed"},
        {0x1 | 0x200, L"Busy - Paused"},
        {0x10000 | 0x200, L"Busy - Warming up"},
        {0x00800000, L"Unknown"},
        {0x40000000, L""},  // a bit the table does not know: nothing, not Ready
        {0x40000000 | 0x400, L"Printing"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, PrinterStatusText(c.status, texts)) << std::hex << c.status;
    DWORD all = 0;
    for (DWORD bit : kPrinterStatusBits) all |= bit;
    const std::wstring every = PrinterStatusText(all, texts);
    EXPECT_EQ(0u, every.find(L"Busy - Door is open - Error - Initializing"));
    EXPECT_EQ(every.size() - 10, every.rfind(L"Warming up"));
}

TEST(PrinterRows, NamesImagesAndPaths) {
    const struct {
        const wchar_t* name;
        const wchar_t* shown;
    } names[] = {{L"\\\\PRINT01\\Laser", L"Laser"}, {L"Laser", L"Laser"},         {nullptr, L""},
                 {L"", L""},                       {L"\\\\PRINT01\\a\\b", L"a\\b"}, {L"\\\\PRINT01", L"\\\\PRINT01"}};
    for (const auto& n : names) EXPECT_EQ(n.shown, PrinterDisplayName(n.name));
    EXPECT_EQ(16, PrinterImage(0x8));
    EXPECT_EQ(IMAGE_SHARED_PRINTER, PrinterImage(0x8 | 0x40));
    EXPECT_EQ(4, PrinterImage(0x40));
    EXPECT_EQ(IMAGE_PRINTER, PrinterImage(0x40));
    EXPECT_EQ(L"\\\\PRINT01\\Laser", PrinterPath(L"\\\\PRINT01", L"Laser"));
    EXPECT_EQ(L"PRINT01\\Laser", PrinterPath(L"PRINT01", L"Laser"));
    EXPECT_EQ(1023u, PrinterPath(std::wstring(1020, L'x'), L"Laser").size());
}

}  // namespace
