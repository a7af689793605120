// The words of "--wizard services": which are taken, and which are refused.
#include "console/ServicesWizardShots.h"

#include <gtest/gtest.h>

namespace {

struct Parsed {
    bool ok;
    console::ServicesWizardRun run;
    std::wstring error;
};

Parsed Parse(std::vector<std::wstring> words) {
    Parsed parsed{true, {}, {}};
    for (size_t i = 0; i < words.size() && parsed.ok; ++i)
        parsed.ok = console::ParseServicesWizardArgument(words, i, parsed.run, parsed.error);
    return parsed;
}

TEST(ServicesWizardArguments, OptionsAndTheirValues) {
    const Parsed p = Parse({L"--source", L"ADMIN01", L"--service", L"Print Spooler", L"--service", L"Server",
                            L"--startup", L"Manual", L"--stop", L"--start", L"--dependents", L"--account", L"LAB\\svc"});
    ASSERT_TRUE(p.ok) << testing::PrintToString(p.error);
    EXPECT_EQ(L"ADMIN01", p.run.source);
    EXPECT_EQ((std::vector<std::wstring>{L"Print Spooler", L"Server"}), p.run.services);
    EXPECT_EQ(L"Manual", p.run.startup);
    EXPECT_TRUE(p.run.stop && p.run.start && p.run.dependents);
    EXPECT_FALSE(p.run.localSystem);
    EXPECT_EQ(L"LAB\\svc", p.run.account);
}

TEST(ServicesWizardArguments, Refusals) {
    const struct {
        std::vector<std::wstring> words;
        const wchar_t* error;
    } cases[] = {
        {{L"--startup", L"Boot"}, L"--startup takes Automatic, Manual or Disabled"},
        {{L"--startup", L"manual"}, L"--startup takes Automatic, Manual or Disabled"},
        {{L"--account", L"LAB\\a", L"--local-system"}, L"--account and --local-system exclude each other"},
        {{L"--local-system", L"--account", L"LAB\\a"}, L"--account and --local-system exclude each other"},
        {{L"--service"}, L"unknown argument --service"},  // its value is missing
        {{L"--restart"}, L"unknown argument --restart"},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.words);
        EXPECT_FALSE(p.ok) << testing::PrintToString(c.words);
        EXPECT_EQ(c.error, p.error);
    }
}

}  // namespace
