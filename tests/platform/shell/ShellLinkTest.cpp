#include "platform/shell/ShellLink.h"

#include <gtest/gtest.h>

#include "platform/base/Text.h"
#include "platform/shell/LinkBuilder.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::LinkBuilder;

std::pair<HRESULT, std::wstring> Target(const std::string& bytes, DWORD flags = SLGP_UNCPRIORITY) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  prefix.createFile(L"C:\\users\\Public\\Desktop\\Agent.lnk", bytes);
  win::ShellLink link;
  HRESULT load = link.Load(L"c:\\users\\public\\desktop\\agent.lnk", STGM_READ);
  wchar_t buffer[1024] = L"junk";
  HRESULT hr = link.GetPath(buffer, 1024, nullptr, flags);
  if (FAILED(load)) return {load, buffer};
  return {hr, buffer};
}

TEST(ShellLink, ResolvesTheStoredTargetWithoutCheckingIt) {
  EXPECT_EQ(Target(LinkBuilder().localPath("C:\\Qzx\\", "agent.exe").build()),
            std::make_pair(S_OK, std::wstring(L"C:\\Qzx\\agent.exe")));
  auto both = LinkBuilder().localPath("C:\\Qzx\\", "agent.exe").network("\\\\SRV\\share").build();
  EXPECT_EQ(Target(both).second, L"\\\\SRV\\share\\agent.exe");
  EXPECT_EQ(Target(both, 0).second, L"C:\\Qzx\\agent.exe");
  EXPECT_EQ(Target(LinkBuilder()
                       .idList("C:\\", {{"PROGRA~1", L"Program Files"}, {"LONGNA~1.EXE", L"Long Name.exe"}})
                       .build())
                .second,
            L"C:\\Program Files\\Long Name.exe");
  EXPECT_EQ(Target(LinkBuilder()
                       .localPath("C:\\Old\\", "x.exe")
                       .environment(L"%ProgramFiles%\\Qzx\\a.exe")
                       .build())
                .second,
            L"C:\\Program Files (x86)\\Qzx\\a.exe");
  // Targets of MAX_PATH characters or more are not paths to the caller.
  EXPECT_EQ(Target(LinkBuilder().localPath("C:\\" + std::string(300, 'd') + "\\", "x.exe").build()),
            std::make_pair(S_FALSE, std::wstring()));
  EXPECT_EQ(Target(LinkBuilder().arguments(L"/only").build()), std::make_pair(S_FALSE, std::wstring()));

  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  prefix.createFile(L"C:\\a.lnk", LinkBuilder().localPath("C:\\", "a.exe").arguments(L"/tray --x").build());
  win::ShellLink link;
  ASSERT_EQ(link.Load(L"C:\\a.lnk", STGM_READ), S_OK);
  wchar_t args[64];
  EXPECT_EQ(link.GetArguments(args, 64), S_OK);
  EXPECT_STREQ(args, L"/tray --x");
  wchar_t path[8];
  EXPECT_EQ(link.GetPath(path, 8, nullptr, 0), S_OK);
  EXPECT_STREQ(path, L"C:\\a.ex") << "a short buffer gets the target cut";
  EXPECT_EQ(link.Load(L"C:\\missing.lnk", STGM_READ), E_FAIL);
  EXPECT_EQ(link.GetPath(path, 8, nullptr, 0), E_FAIL);
  EXPECT_STREQ(path, L"");
}

TEST(ShellLink, DamagedLinksNeverCrash) {
  std::string good = LinkBuilder()
                         .idList("C:\\", {{"PROGRA~1", L"Program Files"}, {"A.EXE", L"a.exe"}})
                         .localPath("C:\\Qzx\\", "agent.exe")
                         .network("\\\\SRV\\share")
                         .arguments(L"/x")
                         .environment(L"%windir%\\a.exe")
                         .build();
  mx::ShellLinkData data;
  ASSERT_TRUE(mx::ParseShellLink(good, data));
  EXPECT_FALSE(mx::ParseShellLink(std::string_view(good).substr(0, 0x4B), data));
  for (size_t n = 0; n < good.size(); ++n) {
    mx::ShellLinkData d;
    mx::ParseShellLink(std::string_view(good).substr(0, n), d);
  }
  for (size_t at = 0; at < good.size(); ++at) {
    for (char value : {'\0', '\x7f', '\xff'}) {
      std::string bad = good;
      bad[at] = value;
      mx::ShellLinkData d;
      if (mx::ParseShellLink(bad, d)) mx::ShellLinkTarget(d, SLGP_UNCPRIORITY);
    }
  }
  std::string notALink = "this is not a shell link at all, just text that is long enough to be read";
  EXPECT_FALSE(mx::ParseShellLink(notALink, data));
}

}  // namespace
