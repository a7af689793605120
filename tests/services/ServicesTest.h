#pragma once
// What the service management tests share: a fresh lab on virtual time per
// test, and a connection to a lab computer.
#include "lab/LabControl.h"
#include "services/ServiceControlManager.h"
#include "services/ServiceRef.h"
#include "services/TvServiceEnum.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace servicestest {

class ServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0u, LabReset());
        LabSetVirtualClock(TRUE);
    }
    void TearDown() override {
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabReset();
    }

    static vantrel::ComPtr<vantrel::ServiceControlManager> Open(const wchar_t* computer,
                                                               DWORD access = vantrel::ServiceControlManager::kAllAccess) {
        vantrel::ComPtr<vantrel::ServiceControlManager> scm;
        EXPECT_EQ(S_OK, vantrel::ServiceControlManager::Connect(computer, scm));
        scm->SetAccessMask(access);
        EXPECT_EQ(S_OK, scm->Open(L"ServicesActive"));
        return scm;
    }

    // dwCurrentState as the lab has it now.
    static DWORD State(vantrel::ServiceControlManager* scm, const wchar_t* name) {
        vantrel::ServiceRef ref(name, scm);
        SERVICE_STATUS_PROCESS st{};
        return SUCCEEDED(ref.QueryStatus(st)) ? st.dwCurrentState : 0;
    }
};

inline std::vector<std::wstring> Names(const vantrel::ServiceRefList& list) {
    std::vector<std::wstring> names;
    for (const auto& s : list) names.push_back(s.Name());
    return names;
}

// The boxes of `boxes` with the title `title`.
inline std::vector<testsupport::SeenBox> Titled(const std::vector<testsupport::SeenBox>& boxes, const wchar_t* title) {
    std::vector<testsupport::SeenBox> out;
    for (const testsupport::SeenBox& b : boxes)
        if (b.title == title) out.push_back(b);
    return out;
}

}  // namespace servicestest
