#include "platform/registry/ViewResolver.h"

#include <algorithm>
#include <optional>

#include "platform/base/Text.h"
#include "platform/registry/FoldedPath.h"
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

// A shared key's names folded and hashed: a path's names are compared with it hash by hash, so most keys are
// passed over at their first or second name.
struct SharedKey {
  std::vector<std::wstring> folded;
  std::vector<std::size_t> hashes;
};

const std::vector<SharedKey>& FoldedSharedMachineKeys() {
  static const std::vector<SharedKey> keys = [] {
    std::vector<SharedKey> out;
    for (const auto& shared : SharedMachineKeys()) {
      SharedKey key;
      for (std::wstring_view name : shared) {
        key.folded.push_back(FoldName(name));
        key.hashes.push_back(HashFolded(key.folded.back()));
      }
      out.push_back(std::move(key));
    }
    return out;
  }();
  return keys;
}

size_t DeepestSharedMachineKey() {
  static const size_t deepest = [] {
    size_t d = 0;
    for (const auto& shared : SharedMachineKeys()) d = std::max(d, shared.size());
    return d;
  }();
  return deepest;
}

// The shared keys with depth names, for the question asked at every step of a walk below Software.
const std::vector<const SharedKey*>& SharedMachineKeysOfDepth(size_t depth) {
  static const std::vector<std::vector<const SharedKey*>> byDepth = [] {
    std::vector<std::vector<const SharedKey*>> out(DeepestSharedMachineKey() + 1);
    for (const SharedKey& shared : FoldedSharedMachineKeys()) out[shared.folded.size()].push_back(&shared);
    return out;
  }();
  static const std::vector<const SharedKey*> none;
  return depth < byDepth.size() ? byDepth[depth] : none;
}

// Whether names could begin with the shared key: folding keeps every name's length, and the lengths alone pass
// over nearly every key without a name folded.
bool LengthsFit(std::span<const std::wstring_view> names, const SharedKey& shared) {
  if (names.size() < shared.folded.size()) return false;
  for (size_t i = 0; i < shared.folded.size(); ++i)
    if (names[i].size() != shared.folded[i].size()) return false;
  return true;
}

// Whether names (folded, below Software) begin with the shared key.
bool StartsWith(std::span<const FoldedName> names, const SharedKey& shared) {
  if (names.size() < shared.folded.size()) return false;
  for (size_t i = 0; i < shared.hashes.size(); ++i)
    if (names[i].Hash() != shared.hashes[i]) return false;
  for (size_t i = 0; i < shared.folded.size(); ++i)
    if (names[i].folded != shared.folded[i]) return false;
  return true;
}

bool IsRedirectedClass(std::wstring_view name) {
  // Their lengths first: nearly every name has another.
  if (name.size() != 5 && name.size() != 9 && name.size() != 10 && name.size() != 15) return false;
  for (std::wstring_view n : {L"CLSID", L"Interface", L"DirectShow", L"Media Type", L"MediaFoundation"})
    if (EqualsNoCase(name, n)) return true;
  return false;
}

// Whether names (below Software) begin with one of candidates.
template <class Candidates, class Get>
bool StartsWithAny(std::span<const std::wstring_view> names, const Candidates& candidates, Get get) {
  std::optional<FoldedPath> folded;
  for (const auto& candidate : candidates) {
    const SharedKey& shared = get(candidate);
    if (!LengthsFit(names, shared)) continue;
    if (!folded) folded.emplace(names.first(std::min(names.size(), DeepestSharedMachineKey())));
    if (StartsWith(folded->names(), shared)) return true;
  }
  return false;
}

bool IsSharedMachineKey(std::span<const std::wstring_view> belowSoftware) {
  return StartsWithAny(belowSoftware, FoldedSharedMachineKeys(), [](const SharedKey& k) -> const SharedKey& { return k; });
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

void Redirect32BelowClasses(std::span<const std::wstring_view> belowClasses, NameList& out) {
  out.clear();
  out.reserve(belowClasses.size() + 1);
  for (size_t i = 0; i < belowClasses.size(); ++i) {
    if (i == 0 && IsRedirectedClass(belowClasses[0])) out.push_back(kWow);
    out.push_back(belowClasses[i]);
  }
}

bool DecidesPlacement(HiveShape shape, std::span<const std::wstring_view> path) {
  size_t n = path.size();
  if (n == 0 || !EqualsNoCase(path[0], L"Software")) return false;
  // Classes itself is shared (under a redirected Software), and it redirects its class-registration trees.
  if (n >= 2 && EqualsNoCase(path[1], L"Classes")) return n == 3 || (n == 2 && shape == HiveShape::Machine);
  if (shape != HiveShape::Machine) return false;
  if (n <= 2) return true;
  // A shared key below a redirected parent.
  return StartsWithAny(path.subspan(1), SharedMachineKeysOfDepth(n - 1),
                       [](const SharedKey* k) -> const SharedKey& { return *k; });
}

}  // namespace mx::reg
