// Connections, enumeration, references and their queries, and the name
// tables, against the lab.
#include "ServicesTest.h"

#include "services/ServiceNames.h"

#include <stdexcept>

namespace {

using namespace servicestest;
using namespace vantrel;

class ServiceAccess : public ServicesTest {};

constexpr char kSmallNetwork[] = R"({"domain":{"name":"T"},"interactiveUser":"T\\u",
    "accounts":[{"name":"T\\u","password":"p"}],
    "computers":[{"name":"H","administrators":["T\\u"],"services":[
      {"name":"A","dependencies":["B"]},{"name":"B","dependencies":["C"]},{"name":"C"},
      {"name":"G","group":"Grp"},
      {"name":"Top","displayName":"Top Service","dependencies":["A","B","+Grp","C"]}]},
     {"name":"EMPTY","administrators":["T\\u"],"services":[]}]})";

TEST_F(ServiceAccess, EnumServicesListsWin32ServicesInPlatformOrder) {
    auto scm = Open(L"\\\\ADMIN01");
    ComPtr<TvServiceEnum> all;
    ASSERT_EQ(S_OK, scm->EnumServices(all));
    ASSERT_GT(all->Count(), 20u);
    // The platform's order is the service names' (without case); drivers
    // are not listed.
    EXPECT_EQ(L"BITS", (*all.Get())[0].Name());
    for (size_t i = 1; i < all->Count(); ++i)
        EXPECT_LT(_wcsicmp((*all.Get())[i - 1].Name().c_str(), (*all.Get())[i].Name().c_str()), 0) << i;
    EXPECT_EQ(scm.Get(), (*all.Get())[0].Manager());
    try {
        (*all.Get())[all->Count()];
        ADD_FAILURE() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ("TvServiceEnum service index out of range", e.what());
    }
}

TEST_F(ServiceAccess, EnumServicesFailures) {
    ASSERT_EQ(0u, lab::LoadScenarioText(kSmallNetwork));
    ComPtr<TvServiceEnum> list;
    auto empty = Open(L"EMPTY");
    EXPECT_EQ(S_OK, empty->EnumServices(list));
    ASSERT_TRUE(list);
    EXPECT_EQ(0u, list->Count());
    // "More data", of no size at all.
    LabAddFault(L"EMPTY", "EnumServicesStatusExW", ERROR_MORE_DATA, 1, 1);
    EXPECT_EQ(S_FALSE, empty->EnumServices(list));
    EXPECT_EQ(0u, list->Count());

    auto scm = Open(L"H");
    LabAddFault(L"H", "EnumServicesStatusExW", ERROR_ACCESS_DENIED, 2, 1);
    EXPECT_EQ(static_cast<HRESULT>(0x800700EA), scm->EnumServices(list));  // whatever the second call said
    EXPECT_EQ(0u, list->Count());
    LabAddFault(L"H", "EnumServicesStatusExW", RPC_S_SERVER_UNAVAILABLE, 1, 1);
    EXPECT_EQ(static_cast<HRESULT>(0x800706BA), scm->EnumServices(list));
    EXPECT_EQ(S_OK, scm->EnumServices(list));
    EXPECT_EQ(5u, list->Count());

    ComPtr<ServiceControlManager> offline;
    ASSERT_EQ(S_OK, ServiceControlManager::Connect(L"NOSUCH", offline));
    EXPECT_EQ(L"NOSUCH", offline->ComputerName());
    EXPECT_EQ(ServiceControlManager::kAllAccess, offline->AccessMask());
    EXPECT_EQ(static_cast<HRESULT>(0x800706BA), offline->Open(L"ServicesActive"));
    EXPECT_EQ(nullptr, offline->Handle());
}

TEST_F(ServiceAccess, OpenFailuresStickPerMode) {
    // From another computer the operator, who does not administer FS01, only
    // connects to its service control manager; he may query its services but
    // not control them.
    auto scm = Open(L"FS01", SC_MANAGER_CONNECT);
    ServiceRef spooler(L"Spooler", scm.Get());
    LabResetCallCounts();
    EXPECT_EQ(static_cast<HRESULT>(0x80070005), spooler.EnsureOpen(ServiceOpenMode::Full));
    EXPECT_EQ(static_cast<HRESULT>(0x80070005), spooler.EnsureOpen(ServiceOpenMode::Full));
    EXPECT_EQ(1u, LabCallCount(L"FS01", "OpenServiceW"));
    EXPECT_EQ(S_OK, spooler.EnsureOpen(ServiceOpenMode::Query));
    EXPECT_EQ(S_OK, spooler.EnsureOpen(ServiceOpenMode::Query));
    EXPECT_EQ(2u, LabCallCount(L"FS01", "OpenServiceW"));
    std::wstring name;
    EXPECT_EQ(S_OK, spooler.GetDisplayName(name));
    EXPECT_EQ(L"Print Spooler", name);
    // Back to Full tries again (and fails again).
    EXPECT_EQ(static_cast<HRESULT>(0x80070005), spooler.Stop(nullptr, nullptr));
    EXPECT_EQ(3u, LabCallCount(L"FS01", "OpenServiceW"));

    // A copy keeps the mode and result but opens its own handle.
    ServiceRef copy = spooler;
    EXPECT_EQ(static_cast<HRESULT>(0x80070005), copy.EnsureOpen(ServiceOpenMode::Full));
    EXPECT_EQ(3u, LabCallCount(L"FS01", "OpenServiceW"));
    ServiceRef missing(L"NoSuch", scm.Get());
    EXPECT_EQ(static_cast<HRESULT>(0x80070424), missing.EnsureOpen(ServiceOpenMode::Query));
    std::wstring computer;
    EXPECT_EQ(E_FAIL, ServiceRef(L"X").GetComputerName(computer));
    EXPECT_EQ(S_OK, missing.GetComputerName(computer));
    EXPECT_EQ(L"FS01", computer);
}

TEST_F(ServiceAccess, DependenciesStopAtAGroupAndRecurseDepthFirst) {
    ASSERT_EQ(0u, lab::LoadScenarioText(kSmallNetwork));
    auto scm = Open(L"H");
    ServiceRef top(L"Top", scm.Get());
    ServiceRefList direct, deep;
    EXPECT_EQ(S_OK, top.GetDependencies(direct, false));
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B"}), Names(direct));
    EXPECT_EQ(S_OK, top.GetDependencies(deep, true));
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C", L"B", L"C"}), Names(deep));

    // Dependents by search: direct ones only, whatever their state.
    ServiceRef b(L"B", scm.Get());
    ServiceRefList found;
    EXPECT_EQ(S_OK, b.GetDependents(SERVICE_ACTIVE, found, false));
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"Top"}), Names(found));
    // Through the platform: direct and indirect, filtered by state.
    ServiceRefList all, active;
    EXPECT_EQ(S_OK, b.GetDependents(SERVICE_STATE_ALL, all, true));
    EXPECT_EQ((std::vector<std::wstring>{L"Top", L"A"}), Names(all));
    EXPECT_EQ(S_OK, b.GetDependents(SERVICE_ACTIVE, active, true));
    EXPECT_TRUE(active.empty());

    std::wstring description;
    EXPECT_EQ(S_OK, top.GetDescription(description));
    EXPECT_EQ(L"", description);
    LabAddFault(L"H", "QueryServiceConfigW", ERROR_ACCESS_DENIED, 1, 1);
    EXPECT_EQ(static_cast<HRESULT>(0x80070005), top.GetDependencies(direct, false));
}

// The texts the services view shows for common values are checked through
// its rows; these are the ones no row of the lab shows.
TEST_F(ServiceAccess, NameTables) {
    EXPECT_EQ(L"Starting", ServiceStateText(SERVICE_CONTINUE_PENDING));
    EXPECT_EQ(L"Pausing", ServiceStateText(SERVICE_PAUSE_PENDING));
    EXPECT_EQ(L" ", ServiceStateText(0));
    EXPECT_EQ(L"Boot", StartTypeText(0));
    EXPECT_EQ(L"Unknown", StartTypeText(5));
    EXPECT_EQ(L"Unknown", StartTypeText(2, false));
    EXPECT_EQ(L"Local System", AccountText(nullptr));
    EXPECT_EQ(L"Local Service", AccountText(L"nt authority\\localservice"));
    EXPECT_EQ(L"Unknown", AccountText(L"LAB\\svc", false));
}

}  // namespace
