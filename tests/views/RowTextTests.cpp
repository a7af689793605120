// How the sessions and open files views write their cells, and the rules of
// the view framework that need no window.
#include "views/ListWriter.h"
#include "views/RowText.h"
#include "views/ViewRules.h"

#include <gtest/gtest.h>

namespace {

using namespace vantrel;

// The common cells are checked through the sessions and open files views'
// rows; these are the edges no lab row reaches.
TEST(ViewCells, EdgesOfDurationsGuestOpenModeAndAddresses) {
    EXPECT_EQ(L"23:59:59", DurationText(86399, L"days"));
    EXPECT_EQ(L"49710 days 06:28:15", DurationText(0xFFFFFFFF, L"days"));
    EXPECT_EQ(31u, DurationText(0xFFFFFFFF, std::wstring(40, L'd')).size()) << "cut to the 32-character buffer";
    EXPECT_EQ(L"No", GuestText(2, L"Yes", L"No"));
    auto mode = [](DWORD p) { return OpenModeText(p, L"Write", L"Read", L"Create"); };
    EXPECT_EQ(L"Read", mode(0x1));
    EXPECT_EQ(L"Write+Create", mode(0x6));
    EXPECT_EQ(L"Create", mode(0x4 | 0x10));

    DWORD address = 0;
    ASSERT_TRUE(ParseClientAddress(L"192.168.200.254", &address));
    EXPECT_EQ(0xC0A8C8FEu, address) << "first number highest";
    for (const wchar_t* text : {L"10.1.2.3.4", L"\\\\10.1.2.3", L"10..2.3", L"", static_cast<const wchar_t*>(nullptr)})
        EXPECT_FALSE(ParseClientAddress(text, &address)) << (text ? text : L"null");
}

TEST(ViewRules, NamesDifferWithoutCaseAndMissingDiffersFromPresent) {
    EXPECT_FALSE(NamesDiffer(L"fs01", L"FS01"));
    EXPECT_TRUE(NamesDiffer(L"FS01", L"FS02"));
    EXPECT_FALSE(NamesDiffer(nullptr, nullptr));
    EXPECT_TRUE(NamesDiffer(nullptr, L""));
    EXPECT_TRUE(NamesDiffer(L"FS01", nullptr));
    EXPECT_FALSE(NamesDiffer(L"", L""));
}

TEST(ViewRules, WhenARefreshIsDue) {
    EXPECT_FALSE(ActivationRefreshes(0, false, false));
    EXPECT_TRUE(ActivationRefreshes(1, false, false));
    EXPECT_FALSE(ActivationRefreshes(2, false, false)) << "only a flag of exactly 1 forces";
    EXPECT_TRUE(ActivationRefreshes(0, true, false));
    EXPECT_TRUE(ActivationRefreshes(0, false, true));

    EXPECT_FALSE(SetComputerActivates(false, 1, true, true)) << "an inactive view only stores";
    EXPECT_FALSE(SetComputerActivates(true, 0, false, false));
    EXPECT_TRUE(SetComputerActivates(true, 1, false, false));
    EXPECT_TRUE(SetComputerActivates(true, 0, true, false));
    EXPECT_TRUE(SetComputerActivates(true, 0, false, true));
}

// The window layout itself is checked through the sessions view.
TEST(ViewRules, ListGoesBelowTheCredentialsLine) {
    const RECT lower{0, 30, 5, 40};
    EXPECT_EQ(48, ViewListRect(&lower, 10, 100).top);
    EXPECT_EQ(25, ViewListRect(nullptr, 10, 100).top) << "unmeasurable line";
}

TEST(ViewRules, FillingListPaintsAtMostEveryPeriodInTwoSlices) {
    using Step = FillPaint::Step;
    FillPaint paint;
    EXPECT_FALSE(paint.Owed());
    EXPECT_EQ(Step::SuspendAndInsert, paint.Next(1000));
    EXPECT_TRUE(paint.Owed());
    EXPECT_EQ(Step::Insert, paint.Next(1000 + kPaintMs - 1));
    EXPECT_EQ(Step::Resume, paint.Next(1000 + kPaintMs));
    EXPECT_EQ(Step::Paint, paint.Next(1000 + kPaintMs + 1));
    EXPECT_FALSE(paint.Owed());
    EXPECT_EQ(Step::SuspendAndInsert, paint.Next(1000 + kPaintMs + 2)) << "the next period starts";
    EXPECT_EQ(Step::Insert, paint.Next(1000 + 2 * kPaintMs));
    // The timer or the last batch painted in between: a new period.
    paint.Painted();
    EXPECT_EQ(Step::SuspendAndInsert, paint.Next(1000 + 3 * kPaintMs));
}

}  // namespace
