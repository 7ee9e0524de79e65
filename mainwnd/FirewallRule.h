#pragma once
// The outbound rule the program adds for itself at every start. The machine has no firewall service, so the
// rule is only remembered for this process; every failure is ignored by the caller anyway.
#include <string>
#include <vector>

struct FirewallRule {
  std::wstring name;
  std::wstring grouping;
  std::wstring description;
  std::wstring applicationPath;
  int protocol = 6;  // TCP
  std::wstring localPorts;
  bool outbound = true;
  bool allow = true;
  bool enabled = true;
};

void AddFirewallRule(const std::wstring& applicationPath, const std::wstring& ruleName);
// The rules added in this process (tests).
std::vector<FirewallRule> AddedFirewallRules();
