#include "platform/registry/ViewResolver.h"

#include <algorithm>

#include "platform/base/Text.h"
#include "platform/registry/KeyTree.h"

namespace mx::reg {

namespace {

constexpr std::wstring_view kWow = L"Wow6432Node";

// Keys below HKLM\Software that both views share (the rest of Software is per view).
const std::vector<std::vector<std::wstring_view>>& SharedMachineKeys() {
  static const std::vector<std::vector<std::wstring_view>> keys = [] {
    const wchar_t* const paths[] = {
        L"Clients",
        L"Policies",
        L"RegisteredApplications",
        L"Microsoft\\COM3",
        L"Microsoft\\Cryptography\\Calais\\Current",
        L"Microsoft\\Cryptography\\Calais\\Readers",
        L"Microsoft\\Cryptography\\Services",
        L"Microsoft\\CTF\\SystemShared",
        L"Microsoft\\CTF\\TIP",
        L"Microsoft\\DFS",
        L"Microsoft\\Driver Signing",
        L"Microsoft\\EnterpriseCertificates",
        L"Microsoft\\EventSystem",
        L"Microsoft\\MSMQ",
        L"Microsoft\\Non-Driver Signing",
        L"Microsoft\\Notepad\\DefaultFonts",
        L"Microsoft\\OLE",
        L"Microsoft\\RAS",
        L"Microsoft\\RPC",
        L"Microsoft\\SOFTWARE\\Microsoft\\Shared Tools\\MSInfo",
        L"Microsoft\\SystemCertificates",
        L"Microsoft\\TermServLicensing",
        L"Microsoft\\TransactionServer",
        L"Microsoft\\Windows\\CurrentVersion\\App Paths",
        L"Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cursors\\Schemes",
        L"Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers",
        L"Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons",
        L"Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap",
        L"Microsoft\\Windows\\CurrentVersion\\Group Policy",
        L"Microsoft\\Windows\\CurrentVersion\\Policies",
        L"Microsoft\\Windows\\CurrentVersion\\PreviewHandlers",
        L"Microsoft\\Windows\\CurrentVersion\\Setup",
        L"Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations",
        L"Microsoft\\Windows NT\\CurrentVersion\\Console",
        L"Microsoft\\Windows NT\\CurrentVersion\\FontDpi",
        L"Microsoft\\Windows NT\\CurrentVersion\\FontLink",
        L"Microsoft\\Windows NT\\CurrentVersion\\FontMapper",
        L"Microsoft\\Windows NT\\CurrentVersion\\Fonts",
        L"Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
        L"Microsoft\\Windows NT\\CurrentVersion\\Gre_Initialize",
        L"Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
        L"Microsoft\\Windows NT\\CurrentVersion\\Language Pack",
        L"Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
        L"Microsoft\\Windows NT\\CurrentVersion\\Perflib",
        L"Microsoft\\Windows NT\\CurrentVersion\\Ports",
        L"Microsoft\\Windows NT\\CurrentVersion\\Print",
        L"Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
        L"Microsoft\\Windows NT\\CurrentVersion\\Time Zones",
    };
    std::vector<std::vector<std::wstring_view>> out;
    for (const wchar_t* p : paths) {
      std::vector<std::wstring_view> names;
      std::wstring_view s(p);
      for (size_t start = 0;;) {
        size_t end = s.find(L'\\', start);
        names.push_back(s.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start));
        if (end == std::wstring_view::npos) break;
        start = end + 1;
      }
      out.push_back(std::move(names));
    }
    return out;
  }();
  return keys;
}

bool IsRedirectedClass(std::wstring_view name) {
  // Their lengths first: nearly every name has another.
  if (name.size() != 5 && name.size() != 9 && name.size() != 10 && name.size() != 15) return false;
  for (std::wstring_view n : {L"CLSID", L"Interface", L"DirectShow", L"Media Type", L"MediaFoundation"})
    if (EqualsNoCase(name, n)) return true;
  return false;
}

bool IsSharedMachineKey(std::span<const std::wstring_view> belowSoftware) {
  // Every shared key starts with one of a few names; nearly every key of a machine starts with another.
  if (belowSoftware.empty()) return false;
  static const std::vector<std::wstring_view> firsts = [] {
    std::vector<std::wstring_view> out;
    for (const auto& shared : SharedMachineKeys())
      if (std::none_of(out.begin(), out.end(), [&](std::wstring_view f) { return EqualsNoCase(f, shared[0]); }))
        out.push_back(shared[0]);
    return out;
  }();
  if (std::none_of(firsts.begin(), firsts.end(), [&](std::wstring_view f) { return EqualsNoCase(f, belowSoftware[0]); }))
    return false;
  for (const auto& shared : SharedMachineKeys()) {
    if (belowSoftware.size() < shared.size()) continue;
    bool match = true;
    for (size_t i = 0; i < shared.size() && match; ++i) match = EqualsNoCase(belowSoftware[i], shared[i]);
    if (match) return true;
  }
  return false;
}

// Classes trees: only the five class-registration trees differ per view.
void RedirectClasses(std::span<const std::wstring_view> logical, size_t classesDepth, Redirected& out) {
  for (size_t i = 0; i < logical.size(); ++i) {
    if (i == classesDepth && IsRedirectedClass(logical[i])) out.names.push_back(kWow);
    out.names.push_back(logical[i]);
  }
}

}  // namespace

Redirected Redirect32(HiveShape shape, std::span<const std::wstring_view> logical) {
  Redirected out;
  bool software = !logical.empty() && EqualsNoCase(logical[0], L"Software");
  bool classes = software && logical.size() >= 2 && EqualsNoCase(logical[1], L"Classes");
  if (classes) {
    RedirectClasses(logical, 2, out);
    return out;
  }
  if (shape == HiveShape::Machine && software) {
    if (logical.size() == 1) {
      out.names = {logical[0], kWow};
      out.softwareRoot = true;
      return out;
    }
    if (!EqualsNoCase(logical[1], kWow) && !IsSharedMachineKey(logical.subspan(1))) {
      out.names.reserve(logical.size() + 1);
      out.names.push_back(logical[0]);
      out.names.push_back(kWow);
      out.names.append(logical.begin() + 1, logical.end());
      return out;
    }
  }
  out.names.assign(logical.begin(), logical.end());
  return out;
}

NameList Redirect32BelowClasses(std::span<const std::wstring_view> belowClasses) {
  Redirected out;
  out.names.reserve(belowClasses.size() + 1);
  RedirectClasses(belowClasses, 0, out);
  return std::move(out.names);
}

bool DecidesPlacement(HiveShape shape, std::span<const std::wstring_view> path) {
  size_t n = path.size();
  if (n == 0 || !EqualsNoCase(path[0], L"Software")) return false;
  // Classes itself is shared (under a redirected Software), and it redirects its class-registration trees.
  if (n >= 2 && EqualsNoCase(path[1], L"Classes")) return n == 3 || (n == 2 && shape == HiveShape::Machine);
  if (shape != HiveShape::Machine) return false;
  if (n <= 2) return true;
  // A shared key below a redirected parent.
  for (const auto& shared : SharedMachineKeys()) {
    if (shared.size() != n - 1) continue;
    bool match = true;
    for (size_t i = 0; i < shared.size() && match; ++i) match = EqualsNoCase(path[i + 1], shared[i]);
    if (match) return true;
  }
  return false;
}

}  // namespace mx::reg
