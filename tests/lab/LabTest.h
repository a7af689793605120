#pragma once
// What the lab tests share: a fresh lab per test, and the net calls with an
// owner for the buffers they hand out.
#include "lab/LabControl.h"
#include "platform/NetManagement.h"

#include <gtest/gtest.h>

#include <string>

namespace labtest {

class LabTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0u, LabReset()); }
    void TearDown() override { LabReset(); }
};

// A fresh lab on the test's own scenario, ending with a clean leak report.
class ScenarioLabTest : public LabTest {
protected:
    explicit ScenarioLabTest(const char* scenario) : scenario_(scenario) {}
    void SetUp() override {
        LabTest::SetUp();
        std::wstring error;
        ASSERT_EQ(0u, lab::LoadScenarioText(scenario_, &error)) << error;
    }
    void TearDown() override {
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabTest::TearDown();
    }

private:
    const char* scenario_;
};

// Frees what a net call handed out at the end of the scope.
class NetBuffer {
public:
    NetBuffer() = default;
    NetBuffer(const NetBuffer&) = delete;
    NetBuffer& operator=(const NetBuffer&) = delete;
    ~NetBuffer() {
        if (p_) plat::NetApiBufferFree(p_);
    }
    LPBYTE* Put() { return &p_; }
    LPBYTE Get() const { return p_; }
    template <typename T>
    const T& As() const { return *reinterpret_cast<const T*>(p_); }

private:
    LPBYTE p_ = nullptr;
};

inline DWORD ServerInfo(const wchar_t* server, DWORD level, NetBuffer& out) {
    return plat::NetServerGetInfo(const_cast<LMSTR>(server), level, out.Put());
}

inline DWORD ServerInfo(const wchar_t* server, DWORD level = 101) {
    NetBuffer out;
    return ServerInfo(server, level, out);
}

// The NetBIOS name the server name reaches, or "" when the call fails.
inline std::wstring Reached(const wchar_t* server) {
    NetBuffer out;
    if (ServerInfo(server, 100, out) != 0) return L"";
    return out.As<SERVER_INFO_100>().sv100_name;
}

}  // namespace labtest
