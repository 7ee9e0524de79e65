#include "platform/system/Environment.h"

#include <mutex>

#include "platform/base/Prefix.h"
#include "platform/registry/Registry.h"
#include "platform/system/BufferOut.h"
#include "platform/system/RegRead.h"
#include "platform/system/SystemInfo.h"

namespace mx {

namespace {

std::mutex g_mutex;
std::optional<EnvironmentMap> g_block;
// Variables the process set or removed itself (nullopt = removed); they survive a rebuild.
std::map<std::wstring, std::optional<std::wstring>, LessNoCase> g_processSet;

void ResetOnPrefixChange() {
  std::lock_guard lock(g_mutex);
  g_block.reset();
  g_processSet.clear();
}

[[maybe_unused]] const bool g_registered = [] {
  OnPrefixChanged(&ResetOnPrefixChange);
  return true;
}();

std::wstring Expand(std::wstring_view text, const EnvironmentMap& env) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    wchar_t c = text[i];
    if (c != L'%') {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t close = text.find(L'%', i + 1);
    if (close == std::wstring_view::npos) {  // a lone % stays
      out.append(text.substr(i));
      break;
    }
    std::wstring_view name = text.substr(i + 1, close - i - 1);
    auto it = name.empty() ? env.end() : env.find(name);
    if (it != env.end()) {
      out += it->second;
      i = close + 1;
    } else if (name.empty()) {  // "%%": the second % may open a reference
      out.push_back(L'%');
      i = close;
    } else {  // unknown names stay as they are
      out.append(text.substr(i, close - i + 1));
      i = close + 1;
    }
  }
  return out;
}

// Adds the values of one registry key: REG_SZ first, then REG_EXPAND_SZ expanded against everything so far.
void AddKey(EnvironmentMap& env, HKEY root, const std::wstring& subKey, bool appendPath) {
  auto values = ReadRegStrings(root, subKey, KEY_WOW64_64KEY);
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& [name, value] : values) {
      bool expand = value.type == REG_EXPAND_SZ;
      if (expand != (pass == 1) || name.empty()) continue;
      std::wstring text = expand ? Expand(value.text, env) : value.text;
      if (appendPath && EqualsNoCase(name, L"PATH")) {
        auto it = env.find(L"PATH");
        if (it != env.end() && !it->second.empty()) text = it->second + L";" + text;
      }
      env[name] = text;
    }
  }
}

std::wstring RegOr(HKEY root, const std::wstring& key, const std::wstring& value, const std::wstring& fallback,
                   const EnvironmentMap& env) {
  auto v = ReadRegString(root, key, value, KEY_WOW64_64KEY);
  if (!v || v->text.empty()) return fallback;
  return v->type == REG_EXPAND_SZ ? Expand(v->text, env) : v->text;
}

EnvironmentMap Build() {
  EnvironmentMap env;
  const bool wow64 = PrefixIs64Bit();
  const std::wstring nt = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
  const std::wstring cv = L"Software\\Microsoft\\Windows\\CurrentVersion";

  // What Windows itself sets for every process.
  std::wstring systemRoot = RegOr(HKEY_LOCAL_MACHINE, nt, L"SystemRoot", L"C:\\windows", env);
  env[L"SystemRoot"] = systemRoot;
  env[L"windir"] = systemRoot;
  env[L"SystemDrive"] = systemRoot.size() >= 2 && systemRoot[1] == L':' ? systemRoot.substr(0, 2) : L"C:";
  std::wstring pf = RegOr(HKEY_LOCAL_MACHINE, cv, L"ProgramFilesDir", L"C:\\Program Files", env);
  std::wstring cf = RegOr(HKEY_LOCAL_MACHINE, cv, L"CommonFilesDir", pf + L"\\Common Files", env);
  if (wow64) {
    std::wstring pf86 = RegOr(HKEY_LOCAL_MACHINE, cv, L"ProgramFilesDir (x86)", L"C:\\Program Files (x86)", env);
    std::wstring cf86 = RegOr(HKEY_LOCAL_MACHINE, cv, L"CommonFilesDir (x86)", pf86 + L"\\Common Files", env);
    // Our program is a 32-bit one: its ProgramFiles is the x86 folder.
    env[L"ProgramFiles"] = pf86;
    env[L"ProgramFiles(x86)"] = pf86;
    env[L"ProgramW6432"] = pf;
    env[L"CommonProgramFiles"] = cf86;
    env[L"CommonProgramFiles(x86)"] = cf86;
    env[L"CommonProgramW6432"] = cf;
    env[L"PROCESSOR_ARCHITECTURE"] = L"x86";
    env[L"PROCESSOR_ARCHITEW6432"] = L"AMD64";
  } else {
    env[L"ProgramFiles"] = pf;
    env[L"CommonProgramFiles"] = cf;
    env[L"PROCESSOR_ARCHITECTURE"] = L"x86";
  }
  const std::wstring profiles = nt + L"\\ProfileList";
  std::wstring programData = RegOr(HKEY_LOCAL_MACHINE, profiles, L"ProgramData", L"C:\\ProgramData", env);
  env[L"ProgramData"] = programData;
  env[L"ALLUSERSPROFILE"] = programData;
  env[L"PUBLIC"] = RegOr(HKEY_LOCAL_MACHINE, profiles, L"Public", L"C:\\users\\Public", env);
  std::wstring computer =
      RegOr(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\ComputerName\\ComputerName", L"ComputerName",
            L"", env);
  if (!computer.empty()) env[L"COMPUTERNAME"] = computer;

  // The user's profile, in case the volatile key below is missing.
  std::wstring profile = RegOr(HKEY_LOCAL_MACHINE, profiles + L"\\" + CurrentUserSid(), L"ProfileImagePath", L"", env);
  if (!profile.empty()) {
    env[L"USERPROFILE"] = profile;
    env[L"APPDATA"] = profile + L"\\AppData\\Roaming";
    env[L"LOCALAPPDATA"] = profile + L"\\AppData\\Local";
    size_t slash = profile.find_last_of(L'\\');
    env[L"USERNAME"] = slash == std::wstring::npos ? profile : profile.substr(slash + 1);
    if (profile.size() >= 2 && profile[1] == L':') {
      env[L"HOMEDRIVE"] = profile.substr(0, 2);
      env[L"HOMEPATH"] = profile.substr(2);
    }
  }

  AddKey(env, HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager\\Environment", false);
  AddKey(env, HKEY_CURRENT_USER, L"Environment", true);
  AddKey(env, HKEY_CURRENT_USER, L"Volatile Environment", false);

  // A prefix whose registry says nothing of its user (a fresh test prefix) still has one, where Wine puts it.
  auto setDefault = [&env](const wchar_t* name, std::wstring value) {
    if (env.find(name) == env.end()) env[name] = std::move(value);
  };
  setDefault(L"USERNAME", L"user");
  std::wstring profilesDir = RegOr(HKEY_LOCAL_MACHINE, profiles, L"ProfilesDirectory", L"C:\\users", env);
  setDefault(L"USERPROFILE", profilesDir + L"\\" + env[L"USERNAME"]);
  const std::wstring userProfile = env[L"USERPROFILE"];
  setDefault(L"APPDATA", userProfile + L"\\AppData\\Roaming");
  setDefault(L"LOCALAPPDATA", userProfile + L"\\AppData\\Local");
  if (userProfile.size() >= 2 && userProfile[1] == L':') {
    setDefault(L"HOMEDRIVE", userProfile.substr(0, 2));
    setDefault(L"HOMEPATH", userProfile.substr(2));
  }
  if (env.find(L"TEMP") == env.end() && env.count(L"TMP")) env[L"TEMP"] = env[L"TMP"];
  setDefault(L"TEMP", userProfile + L"\\Temp");
  setDefault(L"TMP", env[L"TEMP"]);
  setDefault(L"PATH", systemRoot + L"\\system32;" + systemRoot + L";" + systemRoot + L"\\system32\\wbem");
  return env;
}

// Call with g_mutex held.
const EnvironmentMap& Block() {
  if (!g_block) {
    EnvironmentMap env = Build();
    for (const auto& [name, value] : g_processSet) {
      if (value)
        env[name] = *value;
      else
        env.erase(name);
    }
    g_block = std::move(env);
  }
  return *g_block;
}

}  // namespace

EnvironmentMap EnvironmentBlock() {
  std::lock_guard lock(g_mutex);
  return Block();
}

std::optional<std::wstring> GetEnv(std::wstring_view name) {
  std::lock_guard lock(g_mutex);
  const auto& env = Block();
  auto it = env.find(name);
  if (it == env.end()) return std::nullopt;
  return it->second;
}

std::wstring ExpandEnvironment(std::wstring_view text) {
  std::lock_guard lock(g_mutex);
  return Expand(text, Block());
}

void ResetEnvironment() {
  std::lock_guard lock(g_mutex);
  g_block.reset();
}

}  // namespace mx

namespace win {

DWORD ExpandEnvironmentStrings(LPCWSTR src, LPWSTR dst, DWORD size) {
  if (!src) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring out = mx::ExpandEnvironment(src);
  DWORD needed = static_cast<DWORD>(out.size() + 1);
  if (!dst || size < needed) return needed;
  out.copy(dst, out.size());
  dst[out.size()] = 0;
  return needed;
}

DWORD GetEnvironmentVariable(LPCWSTR name, LPWSTR buffer, DWORD size) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto value = mx::GetEnv(name);
  if (!value) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  return mx::CopyOutOrNeeded(*value, buffer, size);
}

BOOL SetEnvironmentVariable(LPCWSTR name, LPCWSTR value) {
  if (!name || !*name || std::wstring_view(name).find(L'=') != std::wstring_view::npos) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(mx::g_mutex);
  if (value)
    mx::g_processSet[name] = std::wstring(value);
  else
    mx::g_processSet[name] = std::nullopt;
  mx::g_block.reset();
  return TRUE;
}

}  // namespace win
