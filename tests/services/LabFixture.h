#pragma once
// A fresh lab per test, and nothing left unreleased at its end.
#include "lab/LabControl.h"

#include <gtest/gtest.h>

namespace servicetest {

class LabFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0u, LabReset()); }
    void TearDown() override {
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabReset();
    }
};

}  // namespace servicetest
