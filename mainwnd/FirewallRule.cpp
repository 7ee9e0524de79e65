#include "mainwnd/FirewallRule.h"

#include <mutex>

namespace {

std::mutex g_lock;
std::vector<FirewallRule> g_rules;

}  // namespace

void AddFirewallRule(const std::wstring& applicationPath, const std::wstring& ruleName) {
  FirewallRule rule;
  rule.name = ruleName;
  rule.grouping = ruleName;
  rule.description = L"Allow outbound network traffic from Tarvolen Mendrix";
  rule.applicationPath = applicationPath;
  rule.localPorts = L"4000";
  std::lock_guard<std::mutex> guard(g_lock);
  g_rules.push_back(std::move(rule));
}

std::vector<FirewallRule> AddedFirewallRules() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_rules;
}
