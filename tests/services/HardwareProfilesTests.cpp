// A service's state in the hardware profiles of lab computers.
#include "LabFixture.h"

#include "platform/Registry.h"
#include "services/HardwareProfiles.h"

#include <string>
#include <vector>

using namespace vantrel;

namespace {

class HardwareProfilesTest : public servicetest::LabFixture {};

// Profiles as "key:name:enabled" for compact comparisons.
std::vector<std::wstring> Describe(const std::vector<HardwareProfile>& profiles) {
    std::vector<std::wstring> out;
    for (const HardwareProfile& p : profiles)
        out.push_back(p.keyName + L":" + p.friendlyName + L":" + (p.enabled ? L"on" : L"off"));
    return out;
}

// A network of one computer whose profile list is given as JSON keys.
std::string Network(const std::string& keys) {
    return R"({"domain": {"name": "D"}, "interactiveUser": "D\\a",
      "accounts": [{"name": "D\\a", "password": ""}],
      "computers": [{"name": "HOST", "administrators": ["D\\a"], "registry": {"standard": false, "keys": [)" +
           keys + "]}}]}";
}

std::string Profile(const char* key, const char* name, int order) {
    return std::string(R"({"path": "HKLM\\SYSTEM\\CurrentControlSet\\Control\\IDConfigDB\\Hardware Profiles\\)") + key +
           R"(", "values": [{"name": "FriendlyName", "type": "REG_SZ", "data": ")" + name +
           R"("}, {"name": "PreferenceOrder", "type": "REG_DWORD", "data": )" + std::to_string(order) + "}]}";
}

const std::string kTrees = R"({"path": "HKLM\\SYSTEM\\CurrentControlSet\\Hardware Profiles"})";

DWORD ConfigFlags(const wchar_t* computer, const std::wstring& keyName, const wchar_t* service) {
    HKEY root = nullptr;
    DWORD value = 0xDEAD, bytes = sizeof(value);
    if (plat::RegConnectRegistryW(computer, HKEY_LOCAL_MACHINE, &root) != ERROR_SUCCESS) return 0xBAD;
    const std::wstring path = L"SYSTEM\\CurrentControlSet\\Hardware Profiles\\" + ProfileServiceKey(keyName, service);
    plat::RegGetValueW(root, path.c_str(), L"CSConfigFlags", RRF_RT_REG_DWORD, nullptr, &value, &bytes);
    plat::RegCloseKey(root);
    return value;
}

TEST(HardwareProfileOrder, SelectionSortTakesTheLastOfEqualOrders) {
    std::vector<HardwareProfile> profiles(4);
    const DWORD orders[] = {3, 1, 2, 1};
    for (size_t i = 0; i < 4; ++i) {
        profiles[i].keyName = L"000" + std::to_wstring(i + 1);
        profiles[i].preferenceOrder = orders[i];
    }
    SortByPreferenceOrder(profiles);
    std::vector<std::wstring> keys;
    for (const auto& p : profiles) keys.push_back(p.keyName);
    // Position 0 takes the later 1 (0004); the swap moves 0001 to position 3.
    EXPECT_EQ((std::vector<std::wstring>{L"0004", L"0002", L"0003", L"0001"}), keys);
}

TEST_F(HardwareProfilesTest, ReadsTheDefaultNetworksProfilesAndStates) {
    std::vector<HardwareProfile> profiles;
    ASSERT_EQ(S_OK, EnumHardwareProfiles(L"\\\\ADMIN01", L"Spooler", profiles));
    EXPECT_EQ((std::vector<std::wstring>{L"0001:Profile 1:on", L"0002:Maintenance:off"}), Describe(profiles));
    EXPECT_EQ(1u, profiles[1].preferenceOrder);
    EXPECT_EQ(1u, profiles[0].aliasable);
    EXPECT_EQ(1u, profiles[0].cloned);
    EXPECT_EQ(38u, profiles[0].guid.size());
    // The service name is used as stored: another spelling has no entry.
    ASSERT_EQ(S_OK, EnumHardwareProfiles(L"\\\\ADMIN01", L"W32Time", profiles));
    EXPECT_TRUE(profiles[1].enabled);
}

TEST_F(HardwareProfilesTest, EqualOrdersSwapAndLongKeyNamesEndTheList) {
    ASSERT_EQ(0u, lab::LoadScenarioText(Network(Profile("0001", "First", 0) + "," + Profile("0002", "Second", 0) +
                                                "," + kTrees)));
    std::vector<HardwareProfile> profiles;
    ASSERT_EQ(S_OK, EnumHardwareProfiles(L"HOST", L"Svc", profiles));
    EXPECT_EQ((std::vector<std::wstring>{L"0002:Second:on", L"0001:First:on"}), Describe(profiles));

    ASSERT_EQ(0u, lab::LoadScenarioText(Network(Profile("0000", "Pristine", 0) + "," + Profile("0001", "A", 2) + "," +
                                                Profile("00015", "Long", 0) + "," + Profile("0002", "B", 1) + "," +
                                                kTrees)));
    ASSERT_EQ(S_OK, EnumHardwareProfiles(L"HOST", L"Svc", profiles));
    EXPECT_EQ((std::vector<std::wstring>{L"0001:A:on"}), Describe(profiles));
}

TEST_F(HardwareProfilesTest, WritesEachProfileAndReadsItBack) {
    std::vector<HardwareProfile> profiles;
    ASSERT_EQ(S_OK, EnumHardwareProfiles(L"\\\\ADMIN01", L"Spooler", profiles));
    profiles[0].enabled = false;
    profiles[1].enabled = true;
    ASSERT_EQ(S_OK, SetHardwareProfiles(L"\\\\ADMIN01", L"Spooler", profiles));
    EXPECT_EQ(1u, ConfigFlags(L"ADMIN01", L"0001", L"Spooler"));
    EXPECT_EQ(0u, ConfigFlags(L"ADMIN01", L"0002", L"Spooler"));
    ASSERT_EQ(S_OK, EnumHardwareProfiles(L"\\\\ADMIN01", L"Spooler", profiles));
    EXPECT_EQ((std::vector<std::wstring>{L"0001:Profile 1:off", L"0002:Maintenance:on"}), Describe(profiles));

    LabResetCallCounts();
    EXPECT_EQ(S_OK, SetHardwareProfiles(L"\\\\ADMIN01", L"Spooler", {}));
    EXPECT_EQ(0u, LabCallCount(nullptr, nullptr));
}

TEST_F(HardwareProfilesTest, AFailingProfileDoesNotStopTheOthers) {
    std::vector<HardwareProfile> profiles;
    ASSERT_EQ(S_OK, EnumHardwareProfiles(L"\\\\ADMIN01", L"Spooler", profiles));
    for (auto& p : profiles) p.enabled = false;
    LabAddFault(L"ADMIN01", "RegCreateKeyExW", ERROR_NOT_ENOUGH_MEMORY, 1, 1);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY), SetHardwareProfiles(L"\\\\ADMIN01", L"Spooler", profiles));
    EXPECT_EQ(0xDEADu, ConfigFlags(L"ADMIN01", L"0001", L"Spooler"));  // never created
    EXPECT_EQ(1u, ConfigFlags(L"ADMIN01", L"0002", L"Spooler"));
    LabAddFault(L"ADMIN01", "RegSetValueExW", ERROR_ACCESS_DENIED, 2, 1);
    EXPECT_EQ(E_ACCESSDENIED, SetHardwareProfiles(L"\\\\ADMIN01", L"Spooler", profiles));
    EXPECT_EQ(1u, ConfigFlags(L"ADMIN01", L"0001", L"Spooler"));
}

TEST_F(HardwareProfilesTest, ConnectionFailuresAreReturned) {
    std::vector<HardwareProfile> profiles(1);
    EXPECT_EQ(E_INVALIDARG, EnumHardwareProfiles(L"", L"Spooler", profiles));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_BAD_NETPATH), EnumHardwareProfiles(L"\\\\LAPTOP07", L"Spooler", profiles));
    EXPECT_EQ(E_ACCESSDENIED, EnumHardwareProfiles(L"\\\\FS01", L"Spooler", profiles));
    EXPECT_EQ(E_ACCESSDENIED, SetHardwareProfiles(L"\\\\FS01", L"Spooler", profiles));
    // A profile whose values cannot be opened ends the walk, not the operation.
    LabAddFault(L"ADMIN01", "RegOpenKeyExW", ERROR_ACCESS_DENIED, 6, 1);  // list, trees, 0000, 0001, its entry, 0002
    ASSERT_EQ(S_OK, EnumHardwareProfiles(L"\\\\ADMIN01", L"Spooler", profiles));
    EXPECT_EQ((std::vector<std::wstring>{L"0001:Profile 1:on"}), Describe(profiles));
    EXPECT_EQ(1u, profiles.size());
    // A profile without the service's entry, or a non-administrator reading locally.
    lab::ScopedIdentity helpdesk(L"LAB\\helpdesk");
    ASSERT_EQ(S_OK, EnumHardwareProfiles(L"ADMIN01", L"Spooler", profiles));
    EXPECT_EQ(2u, profiles.size());
    EXPECT_EQ(E_ACCESSDENIED, SetHardwareProfiles(L"ADMIN01", L"Spooler", profiles));
}

}  // namespace
