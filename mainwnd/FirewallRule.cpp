#include "mainwnd/FirewallRule.h"

#include <cstdio>
#include <random>

#include "platform/base/Text.h"
#include "platform/registry/Registry.h"

namespace {

constexpr REGSAM kView = KEY_WOW64_64KEY;  // the firewall's settings are the machine's, never a 32-bit copy

class OpenKey {
 public:
  OpenKey() = default;
  ~OpenKey() {
    if (key) win::RegCloseKey(key);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY key = nullptr;
};

unsigned long AsHResult(LONG error) {
  return error <= 0 ? static_cast<unsigned long>(error) : 0x80070000ul | (static_cast<unsigned long>(error) & 0xFFFF);
}

void Trace(const char* what, LONG error) {
  std::printf("%s: 0x%08lx\n", what, AsHResult(error));
  std::fflush(stdout);
}

struct StoredRule {
  std::wstring valueName;
  std::wstring text;
};

std::vector<StoredRule> StoredRules(HKEY key) {
  std::vector<StoredRule> out;
  for (DWORD index = 0;; ++index) {
    wchar_t name[512];
    DWORD nameLength = 512, type = 0, size = 0;
    LONG rc = win::RegEnumValue(key, index, name, &nameLength, nullptr, &type, nullptr, &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
    std::string bytes(size, '\0');
    if (win::RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) != ERROR_SUCCESS)
      continue;
    bytes.resize(size & ~1u);
    std::wstring text = mx::Utf16LeToWide(bytes);
    if (const size_t end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
    out.push_back({std::wstring(name, nameLength), std::move(text)});
  }
  return out;
}

// A new rule gets an id the way the firewall names the rules programs add.
std::wstring NewRuleId() {
  std::random_device random;
  wchar_t id[40];
  std::swprintf(id, 40, L"{%08X-%04X-%04X-%04X-%04X%08X}", random(), random() & 0xFFFF, (random() & 0x0FFF) | 0x4000,
                (random() & 0x3FFF) | 0x8000, random() & 0xFFFF, random());
  return id;
}

const wchar_t* ProfileName(long bit) {
  switch (bit) {
    case NET_FW_PROFILE2_DOMAIN: return L"Domain";
    case NET_FW_PROFILE2_PRIVATE: return L"Private";
    default: return L"Public";
  }
}

}  // namespace

long CurrentFirewallProfileTypes() { return NET_FW_PROFILE2_PUBLIC; }

long RuleProfiles(long current) {
  if ((current & NET_FW_PROFILE2_PUBLIC) && current != NET_FW_PROFILE2_PUBLIC) current &= ~NET_FW_PROFILE2_PUBLIC;
  return current;
}

std::wstring FormatFirewallRule(const FirewallRule& rule) {
  std::wstring text = L"v2.10|Action=";
  text += rule.action == NET_FW_ACTION_ALLOW ? L"Allow" : L"Block";
  text += L"|Active=";
  text += rule.enabled ? L"TRUE" : L"FALSE";
  text += L"|Dir=";
  text += rule.direction == NET_FW_RULE_DIR_OUT ? L"Out" : L"In";
  text += L"|Protocol=" + std::to_wstring(rule.protocol);
  // every profile is written as no profile at all, as the firewall does
  if ((rule.profiles & 7) != 7)
    for (long bit : {NET_FW_PROFILE2_DOMAIN, NET_FW_PROFILE2_PRIVATE, NET_FW_PROFILE2_PUBLIC})
      if (rule.profiles & bit) text += std::wstring(L"|Profile=") + ProfileName(bit);
  if (!rule.localPorts.empty()) text += L"|LPort=" + rule.localPorts;
  if (!rule.applicationPath.empty()) text += L"|App=" + rule.applicationPath;
  text += L"|Name=" + rule.name;
  if (!rule.description.empty()) text += L"|Desc=" + rule.description;
  if (!rule.grouping.empty()) text += L"|EmbedCtxt=" + rule.grouping;
  text += L"|";
  return text;
}

std::optional<FirewallRule> ParseFirewallRule(const std::wstring& text) {
  if (text.size() < 3 || text[0] != L'v' || text.find(L'|') == std::wstring::npos) return std::nullopt;
  FirewallRule rule;
  rule.profiles = 0;
  bool named = false;
  size_t start = text.find(L'|') + 1;
  while (start < text.size()) {
    size_t end = text.find(L'|', start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring field = text.substr(start, end - start);
    start = end + 1;
    const size_t eq = field.find(L'=');
    if (eq == std::wstring::npos) continue;
    const std::wstring key = field.substr(0, eq), value = field.substr(eq + 1);
    if (key == L"Action") rule.action = value == L"Allow" ? NET_FW_ACTION_ALLOW : NET_FW_ACTION_BLOCK;
    else if (key == L"Active") rule.enabled = value == L"TRUE";
    else if (key == L"Dir") rule.direction = value == L"Out" ? NET_FW_RULE_DIR_OUT : NET_FW_RULE_DIR_IN;
    else if (key == L"Protocol") rule.protocol = std::wcstol(value.c_str(), nullptr, 10);
    else if (key == L"Profile")
      rule.profiles |= value == L"Domain" ? NET_FW_PROFILE2_DOMAIN
                       : value == L"Private" ? NET_FW_PROFILE2_PRIVATE
                                             : NET_FW_PROFILE2_PUBLIC;
    else if (key == L"LPort") rule.localPorts = value;
    else if (key == L"App") rule.applicationPath = value;
    else if (key == L"Name") { rule.name = value; named = true; }
    else if (key == L"Desc") rule.description = value;
    else if (key == L"EmbedCtxt") rule.grouping = value;
  }
  if (!named) return std::nullopt;
  if (rule.profiles == 0) rule.profiles = 7;
  return rule;
}

int AddFirewallRule(const std::wstring& applicationPath, const std::wstring& ruleName) {
  FirewallRule rule;
  rule.name = ruleName;
  rule.description = kFirewallRuleDescription;
  rule.applicationPath = applicationPath;
  rule.localPorts = L"4000";
  rule.grouping = ruleName;
  rule.profiles = RuleProfiles(CurrentFirewallProfileTypes());

  OpenKey rules;
  LONG rc = win::RegCreateKeyEx(HKEY_LOCAL_MACHINE, kFirewallRulesKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_READ | KEY_WRITE | kView, nullptr, &rules.key, nullptr);
  if (rc != ERROR_SUCCESS) {
    Trace("get_Rules failed", rc);
    return 0;
  }
  // The first stored rule of our name is ours to update; any further one is a copy an earlier start left.
  const std::wstring text = FormatFirewallRule(rule);
  std::wstring valueName;
  bool current = false;
  for (const StoredRule& stored : StoredRules(rules.key)) {
    const auto parsed = ParseFirewallRule(stored.text);
    if (!parsed || parsed->name != ruleName) continue;
    if (valueName.empty()) {
      valueName = stored.valueName;
      current = stored.text == text;
    } else {
      win::RegDeleteValue(rules.key, stored.valueName.c_str());
    }
  }
  // An unchanged rule is not written again: every start would otherwise rewrite the machine's hive.
  if (current) return 0;
  if (valueName.empty()) valueName = NewRuleId();
  const std::string data = mx::WideToUtf16Le(text + L'\0');
  rc = win::RegSetValueEx(rules.key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
  if (rc != ERROR_SUCCESS) Trace("Firewall Rule Add failed", rc);
  return 0;
}

std::vector<FirewallRule> FindFirewallRules(const std::wstring& ruleName) {
  std::vector<FirewallRule> found;
  OpenKey rules;
  if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kFirewallRulesKey, 0, KEY_READ | kView, &rules.key) != ERROR_SUCCESS)
    return found;
  for (const StoredRule& stored : StoredRules(rules.key))
    if (auto parsed = ParseFirewallRule(stored.text); parsed && parsed->name == ruleName) found.push_back(*parsed);
  return found;
}
