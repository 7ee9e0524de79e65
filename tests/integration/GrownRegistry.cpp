#include "integration/GrownRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <set>
#include <fstream>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/WineRegFile.h"

namespace scalebench {

namespace {

namespace fs = std::filesystem;
using mx::reg::Key;

constexpr std::uint64_t kWritten = 1796903980;  // a few seconds after the sample's own keys

struct Program {
  std::wstring vendor, product, dir64, dir32, guid64, guid32;
};

Program Describe(int i) {
  wchar_t buffer[64];
  Program p;
  std::swprintf(buffer, 64, L"Vendor%05d", i);
  p.vendor = buffer;
  std::swprintf(buffer, 64, L"Tool%05d", i);
  p.product = buffer;
  p.dir64 = L"C:\\Program Files\\" + p.vendor + L"\\" + p.product;
  p.dir32 = L"C:\\Program Files (x86)\\" + p.vendor + L"\\" + p.product;
  std::swprintf(buffer, 64, L"{5CA1E064-0000-4000-8000-%012X}", static_cast<unsigned>(i));
  p.guid64 = buffer;
  std::swprintf(buffer, 64, L"{5CA1E032-0000-4000-8000-%012X}", static_cast<unsigned>(i));
  p.guid32 = buffer;
  return p;
}

// The files a program's entries name, relative to drive_c.
std::vector<std::string> FilesOf(const Program& p) {
  auto host = [](const std::wstring& dir, const wchar_t* name) {
    std::string path = mx::WideToUtf8(dir.substr(3) + L"\\" + name);
    for (char& c : path)
      if (c == '\\') c = '/';
    return path;
  };
  return {host(p.dir64, L"tool.exe"), host(p.dir64, L"tool64.dll"), host(p.dir64, L"uninstall.exe"),
          host(p.dir32, L"tool32.dll"), host(p.dir32, L"uninstall.exe")};
}

Key* AddPath(Key& root, std::wstring_view path) {
  Key* key = &root;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    key = key->Add(path.substr(start, end - start), mx::reg::UnixToFileTime(kWritten));
    start = end + 1;
  }
  return key;
}

void Text(Key& key, std::wstring_view name, const std::wstring& text) {
  std::string bytes = mx::WideToUtf16Le(text);
  bytes.append(2, '\0');
  key.SetValue(name, REG_SZ, std::vector<BYTE>(bytes.begin(), bytes.end()));
}

void Dword(Key& key, std::wstring_view name, DWORD v) {
  key.SetValue(name, REG_DWORD,
               {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 24)});
}

void AddProgram(Key& root, int i) {
  const Program p = Describe(i);
  const std::wstring progId = p.vendor + L".Tool.1", progId32 = p.vendor + L".Tool32.1";
  const std::wstring docType = p.vendor + L".Document";
  const std::wstring exe = p.dir64 + L"\\tool.exe";

  // COM classes, one in each view, and their ProgIDs (shared by both views).
  auto addClass = [&](const std::wstring& classes, const std::wstring& guid, const std::wstring& name,
                      const std::wstring& dll, const wchar_t* model, const std::wstring& id) {
    Key* cls = AddPath(root, classes + guid);
    Text(*cls, L"", name);
    Key* server = AddPath(*cls, L"InprocServer32");
    Text(*server, L"", dll);
    Text(*server, L"ThreadingModel", model);
    Text(*AddPath(*cls, L"ProgID"), L"", id);
  };
  addClass(L"Software\\Classes\\CLSID\\", p.guid64, p.product + L" Component", p.dir64 + L"\\tool64.dll", L"Both",
           progId);
  addClass(L"Software\\Classes\\Wow6432Node\\CLSID\\", p.guid32, p.product + L" Component (32-bit)",
           p.dir32 + L"\\tool32.dll", L"Apartment", progId32);
  Key* prog = AddPath(root, L"Software\\Classes\\" + progId);
  Text(*prog, L"", p.product + L" Component");
  Text(*AddPath(*prog, L"CLSID"), L"", p.guid64);
  Key* prog32 = AddPath(root, L"Software\\Classes\\" + progId32);
  Text(*prog32, L"", p.product + L" Component (32-bit)");
  Text(*AddPath(*prog32, L"CLSID"), L"", p.guid32);

  // A file type with its icon and open command.
  wchar_t extension[16];
  std::swprintf(extension, 16, L".t%05d", i);
  Text(*AddPath(root, std::wstring(L"Software\\Classes\\") + extension), L"", docType);
  Key* type = AddPath(root, L"Software\\Classes\\" + docType);
  Text(*type, L"", p.product + L" Document");
  Text(*AddPath(*type, L"DefaultIcon"), L"", exe + L",1");
  Text(*AddPath(*type, L"shell\\open\\command"), L"", L"\"" + exe + L"\" \"%1\"");

  // Uninstall entries in both views and the application path.
  const std::wstring entryName = p.vendor + L" " + p.product;
  for (const auto& [base, dir] : {std::pair{std::wstring(L"Software\\"), p.dir64},
                                  std::pair{std::wstring(L"Software\\Wow6432Node\\"), p.dir32}}) {
    Key* entry = AddPath(root, base + L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + entryName);
    Text(*entry, L"DisplayName", p.vendor + L" " + p.product);
    Text(*entry, L"DisplayVersion", L"1.0." + std::to_wstring(i));
    Text(*entry, L"Publisher", p.vendor);
    Text(*entry, L"InstallLocation", dir + L"\\");
    Text(*entry, L"UninstallString", L"\"" + dir + L"\\uninstall.exe\" /S");
    Text(*entry, L"DisplayIcon", exe + L",0");
    Dword(*entry, L"NoModify", 1);
  }
  Key* appPath = AddPath(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + p.product + L".exe");
  Text(*appPath, L"", exe);
  Text(*appPath, L"Path", p.dir64);

  // Deep settings of the vendor, in both views.
  for (const std::wstring& base : {std::wstring(L"Software\\"), std::wstring(L"Software\\Wow6432Node\\")}) {
    Key* settings = AddPath(root, base + p.vendor + L"\\" + p.product + L"\\Settings");
    Text(*settings, L"InstallDir", p.dir64);
    Text(*settings, L"Language", L"en-US");
    Key* window = AddPath(*settings, L"Profiles\\Default\\Layout\\Window\\Main");
    Dword(*window, L"Left", 40 + static_cast<DWORD>(i % 200));
    Dword(*window, L"Top", 30);
    window->SetValue(L"Placement", REG_BINARY, std::vector<BYTE>(44, static_cast<BYTE>(i)));
    Text(*AddPath(*settings, L"Profiles\\Default\\Recent"), L"File1", L"report-" + std::to_wstring(i) + L".txt");
  }
}

// Folders of an installed machine last changed long before a scan: dates them an hour back, as if the
// programs had been installed then (a folder changed moments ago cannot be trusted from a listing).
// Each call gives its folders a time of their own: a folder changed twice within one second must not look
// unchanged to a listing taken in between.
void DateBack(const std::set<fs::path>& folders) {
  static const time_t anHourAgo = [] {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec - 3600;
  }();
  static time_t calls = 0;
  ++calls;
  const struct timespec past[2] = {{anHourAgo + calls, 0}, {anHourAgo + calls, 0}};
  for (const fs::path& folder : folders) ::utimensat(AT_FDCWD, folder.c_str(), past, 0);
}

}  // namespace

void DateBackAllFolders(const fs::path& prefix) {
  std::set<fs::path> folders{prefix / "drive_c"};
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(prefix / "drive_c", ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    if (it->is_directory(ec) && !it->is_symlink(ec)) folders.insert(it->path());
  DateBack(folders);
}

std::uintmax_t GrowPrefix(const fs::path& prefix, int programs) {
  std::string text;
  mx::ReadWholeFile(prefix / "system.reg", text);
  mx::reg::WineRegFile file;
  std::wstring error;
  if (!file.Parse(text, L"system.reg", nullptr, nullptr, &error)) return 0;
  std::set<fs::path> folders;
  for (int i = 0; i < programs; ++i) {
    AddProgram(*file.root, i);
    for (const std::string& relative : FilesOf(Describe(i))) {
      const fs::path path = prefix / "drive_c" / relative;
      fs::create_directories(path.parent_path());
      std::ofstream(path, std::ios::binary).put('M');
      for (fs::path folder = path.parent_path(); folder != prefix / "drive_c"; folder = folder.parent_path())
        folders.insert(folder);
    }
  }
  DateBack(folders);
  const std::string written = file.Format();
  mx::WriteFileAtomic(prefix / "system.reg", written);
  return written.size();
}

int RemoveFilesOfEveryNth(const fs::path& prefix, int programs, int n) {
  int removed = 0;
  std::set<fs::path> folders;
  for (int i = n - 1; i < programs; i += n) {
    for (const std::string& relative : FilesOf(Describe(i))) {
      fs::remove(prefix / "drive_c" / relative);
      folders.insert((prefix / "drive_c" / relative).parent_path());
    }
    ++removed;
  }
  DateBack(folders);
  return removed;
}

void RestoreFilesOfEveryNth(const fs::path& prefix, int programs, int n) {
  std::set<fs::path> folders;
  for (int i = n - 1; i < programs; i += n)
    for (const std::string& relative : FilesOf(Describe(i))) {
      std::ofstream(prefix / "drive_c" / relative, std::ios::binary).put('M');
      folders.insert((prefix / "drive_c" / relative).parent_path());
    }
  DateBack(folders);
}

}  // namespace scalebench
