// How the console hands its computers to the multiple-computer wizards, and
// the refusal of more computers than one run takes.
#include "console/WizardLauncher.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

namespace {

using testsupport::ProcessDialogWatcher;

TEST(WizardLauncher, TypedListsGoAsTheyAreAndAreCountedByTheirCommas) {
    const struct {
        const wchar_t* typed;
        size_t count;
    } cases[] = {{L"A", 1}, {L"A,B", 2}, {L"A,", 2}, {L" A , B,C", 3}, {L"", 0}};
    for (const auto& c : cases) {
        VARIANT value;
        ASSERT_EQ(S_OK, console::ComputersFromText(c.typed, &value));
        EXPECT_EQ(VT_BSTR, value.vt);
        EXPECT_STREQ(c.typed, value.bstrVal);
        EXPECT_EQ(c.count, console::ComputerCount(value)) << testing::PrintToString(std::wstring(c.typed));
        ::VariantClear(&value);
    }
    VARIANT array;
    array.vt = VT_ARRAY | VT_VARIANT;
    array.parray = ::SafeArrayCreateVector(VT_VARIANT, 0, 7);
    EXPECT_EQ(7u, console::ComputerCount(array));
    ::VariantClear(&array);
    VARIANT other;
    other.vt = VT_I4;
    other.lVal = 3;
    EXPECT_EQ(0u, console::ComputerCount(other));
}

TEST(WizardLauncher, MoreComputersThanOneRunTakesAreRefusedWithAMessage) {
    std::wstring names = L"PC0";
    for (int i = 1; i <= 1024; ++i) names += L",PC" + std::to_wstring(i);
    VARIANT value;
    ASSERT_EQ(S_OK, console::ComputersFromText(names, &value));
    ASSERT_EQ(1025u, console::ComputerCount(value));
    ProcessDialogWatcher watcher(testsupport::AnswerBoxes(IDOK));
    EXPECT_EQ(E_INVALIDARG, console::RunOperationWizard(nullptr, MCO_DISABLE_GUEST_ACCOUNT, value));
    const auto boxes = watcher.Stop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(console::TooManyComputersText(1025), boxes[0].text);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"1025 computers are chosen, but one run of a wizard works on at most 1024."));
    ::VariantClear(&value);
}

}  // namespace
