// The program's firewall rule in the machine's firewall policy: one value per rule in the firewall's own form,
// updated in place at every start, and visible to the registry editor.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "mainwnd/FirewallRule.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "support/TestPrefix.h"

namespace {

constexpr const wchar_t* kName = L"Tarvolen MENDRIX";
constexpr const wchar_t* kProgram = L"C:\\Program Files\\Tarvolen\\Mendrix\\Mendrix.exe";

std::vector<std::wstring> RuleValueNames() {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kFirewallRulesKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (win::RegEnumValue(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  win::RegCloseKey(key);
  return names;
}

}  // namespace

TEST(FirewallRule, ProfilesDropThePublicBitOnlyBesideOthers) {
  const std::pair<long, long> kCases[] = {{5, 1}, {4, 4}, {6, 2}, {7, 3}, {1, 1}, {2, 2}, {3, 3}};
  for (auto [current, rule] : kCases) EXPECT_EQ(RuleProfiles(current), rule) << current;
}

TEST(FirewallRule, TextRoundTripsInTheFirewallsForm) {
  FirewallRule rule;
  rule.name = kName;
  rule.grouping = kName;
  rule.description = kFirewallRuleDescription;
  rule.applicationPath = kProgram;
  rule.localPorts = L"4000";
  rule.profiles = NET_FW_PROFILE2_DOMAIN | NET_FW_PROFILE2_PRIVATE;
  const std::wstring text = FormatFirewallRule(rule);
  EXPECT_EQ(text,
            L"v2.10|Action=Allow|Active=TRUE|Dir=Out|Protocol=6|Profile=Domain|Profile=Private|LPort=4000|"
            L"App=C:\\Program Files\\Tarvolen\\Mendrix\\Mendrix.exe|Name=Tarvolen MENDRIX|"
            L"Desc=Allow outbound network traffic from Tarvolen Mendrix|EmbedCtxt=Tarvolen MENDRIX|");
  const auto back = ParseFirewallRule(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(FormatFirewallRule(*back), text);
  EXPECT_FALSE(ParseFirewallRule(L"v2.10|Action=Allow|Dir=Out|"));
  EXPECT_FALSE(ParseFirewallRule(L"not a rule"));
}

TEST(FirewallRule, TwoStartsLeaveOneRuleWithTheProgramsFieldsThatTheEditorExports) {
  mxtest::TestPrefix prefix = mxtest::TestPrefix::FromFixture();
  // somebody else's rule stays as it is
  prefix.import(LR"([HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\SharedAccess\Parameters\FirewallPolicy\FirewallRules]
"{11111111-2222-4333-8444-555555555555}"="v2.10|Action=Block|Active=TRUE|Dir=In|Protocol=17|Name=Other|"
)");
  EXPECT_EQ(AddFirewallRule(kProgram, kName), 0);
  const auto first = RuleValueNames();
  EXPECT_EQ(AddFirewallRule(kProgram, kName), 0);
  EXPECT_EQ(RuleValueNames(), first);
  ASSERT_EQ(first.size(), 2u);

  const auto rules = FindFirewallRules(kName);
  ASSERT_EQ(rules.size(), 1u);
  const FirewallRule& r = rules[0];
  EXPECT_EQ(r.description, kFirewallRuleDescription);
  EXPECT_EQ(r.applicationPath, kProgram);
  EXPECT_EQ(r.protocol, 6);
  EXPECT_EQ(r.localPorts, L"4000");
  EXPECT_EQ(r.direction, NET_FW_RULE_DIR_OUT);
  EXPECT_EQ(r.grouping, kName);
  EXPECT_EQ(r.profiles, NET_FW_PROFILE2_PUBLIC);
  EXPECT_EQ(r.action, NET_FW_ACTION_ALLOW);
  EXPECT_TRUE(r.enabled);
  EXPECT_EQ(FindFirewallRules(L"Other").size(), 1u);

  // copies an earlier version of the program left are folded into one
  prefix.import(LR"([HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\SharedAccess\Parameters\FirewallPolicy\FirewallRules]
"{AAAAAAAA-2222-4333-8444-555555555555}"="v2.10|Action=Allow|Active=TRUE|Dir=Out|Protocol=6|LPort=4000|Name=Tarvolen MENDRIX|"
)");
  AddFirewallRule(kProgram, kName);
  EXPECT_EQ(RuleValueNames().size(), 2u);
  EXPECT_EQ(FindFirewallRules(kName).at(0).applicationPath, kProgram);

  // The registry editor sees it as Windows' own editor would.
  ASSERT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS);
  const auto out = prefix.root() / "drive_c" / "rules.reg";
  const std::string cmd = "WINEPREFIX='" + prefix.root().string() + "' '" MX_BINARY_DIR
                          "/bin/regedit' /e 'C:\\rules.reg' "
                          "'HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\FirewallRules'";
  const int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0);
  std::string bytes;
  ASSERT_TRUE(mx::ReadWholeFile(out, bytes));
  const std::string text = mx::WideToUtf8(mx::Utf16LeToWide(bytes));
  EXPECT_NE(text.find("Name=Tarvolen MENDRIX|Desc=Allow outbound network traffic from Tarvolen Mendrix|"
                      "EmbedCtxt=Tarvolen MENDRIX|"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Dir=Out|Protocol=6|Profile=Public|LPort=4000|"), std::string::npos);
}
