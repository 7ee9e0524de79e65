#pragma once
// The outbound rule the program makes sure of at every start, kept where Windows keeps its firewall rules:
// one string value per rule under the firewall policy's FirewallRules key of the machine, in the firewall's
// own "v2.10|Action=...|Dir=...|" form. A rule of our name is updated in place, never added a second time.
// Nothing is shown to the user; failures are traced on the standard output only.
#include <optional>
#include <string>
#include <vector>

inline constexpr const wchar_t* kFirewallRulesKey =
    L"SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\FirewallRules";
inline constexpr const wchar_t* kFirewallRuleDescription = L"Allow outbound network traffic from Tarvolen Mendrix";

// Profile bits as the firewall numbers them.
inline constexpr long NET_FW_PROFILE2_DOMAIN = 1;
inline constexpr long NET_FW_PROFILE2_PRIVATE = 2;
inline constexpr long NET_FW_PROFILE2_PUBLIC = 4;
inline constexpr long NET_FW_RULE_DIR_IN = 1;
inline constexpr long NET_FW_RULE_DIR_OUT = 2;
inline constexpr long NET_FW_ACTION_BLOCK = 0;
inline constexpr long NET_FW_ACTION_ALLOW = 1;

struct FirewallRule {
  std::wstring name;
  std::wstring description;
  std::wstring applicationPath;
  long protocol = 6;  // TCP
  std::wstring localPorts;
  long direction = NET_FW_RULE_DIR_OUT;
  std::wstring grouping;
  long profiles = NET_FW_PROFILE2_PUBLIC;
  long action = NET_FW_ACTION_ALLOW;
  bool enabled = true;
};

// The profile types of the network the machine is on. A prefix has no network location, which Windows treats
// as a public network.
long CurrentFirewallProfileTypes();
// The rule's profiles: the public bit dropped when other bits are set too.
long RuleProfiles(long currentProfileTypes);

// The stored text of a rule and back; nullopt for a text that is not a rule.
std::wstring FormatFirewallRule(const FirewallRule& rule);
std::optional<FirewallRule> ParseFirewallRule(const std::wstring& text);

// Adds the program's rule, or brings the stored rule of that name up to date. Always 0.
int AddFirewallRule(const std::wstring& applicationPath, const std::wstring& ruleName);
// The stored rules of that name (tests and diagnostics).
std::vector<FirewallRule> FindFirewallRules(const std::wstring& ruleName);
