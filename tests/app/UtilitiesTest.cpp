// Shared utilities: paths and folders, tokens, version resources, the recycle bin, system questions and the
// bounded message pump.
#include <gtest/gtest.h>

#include <filesystem>

#include "AppTestPrefix.h"
#include "app/AppPaths.h"
#include "app/DrawingUtils.h"
#include "app/FileVersionInfo.h"
#include "app/SplitPath.h"
#include "app/StringTokens.h"
#include "app/SystemUtils.h"
#include "app/WindowUtils.h"
#include "platform/base/FileIO.h"
#include "platform/fs/FileApi.h"
#include "platform/gdi/Gdi.h"
#include "platform/registry/RegistryControl.h"
#include "platform/shell/RecycleBin.h"
#include "platform/win/Message.h"
#include "platform/win/Wnd.h"
#include "support/TestPaths.h"

namespace {

namespace fs = std::filesystem;

TEST(AppendPath, OneBackslashBetween) {
  struct Case {
    const wchar_t* path;
    const wchar_t* part;
    const wchar_t* result;
  };
  const Case kCases[] = {
      {L"C:\\a", L"b", L"C:\\a\\b"},   {L"C:\\a\\", L"\\b", L"C:\\a\\b"}, {L"", L"\\b", L"\\b"},
      {L"C:\\a", L"", L"C:\\a"},       {L"C:\\a", L"\\\\b", L"C:\\a\\\\b"},
  };
  for (const auto& c : kCases) {
    std::wstring path = c.path;
    AppendPath(path, c.part);
    EXPECT_EQ(path, c.result);
  }
}

TEST(StringTokens, SeparatorsGiveOneMoreToken) {
  struct Case {
    const wchar_t* text;
    const wchar_t* separator;
    std::vector<std::wstring> tokens;
  };
  const Case kCases[] = {
      {L"1.2.3.4", L".", {L"1", L"2", L"3", L"4"}},
      {L"1..2", L".", {L"1", L"", L"2"}},
      {L"", L".", {L""}},
      {L"a.b", L"..", {L""}},
  };
  for (const auto& c : kCases) {
    CStringTokens tokens(c.text, c.separator);
    ASSERT_EQ(tokens.GetCount(), static_cast<int>(c.tokens.size()));
    for (int i = 0; i < tokens.GetCount(); ++i) EXPECT_EQ(tokens.GetToken(i), c.tokens[i]);
  }
  EXPECT_EQ(CStringTokens(L"1.2.3.4", L".").GetToken(5), L"");
  EXPECT_EQ(CStringTokens(L"1.2.3.4", L".").GetToken(-1), L"");
}

TEST(SplitPath, DriveFolderNameExtension) {
  CSplitPath split;
  split.Split(L"C:\\Program Files\\Qzx\\agent.tar.gz");
  EXPECT_EQ(split.GetDrive(), L"C:");
  EXPECT_EQ(split.GetDirectory(), L"\\Program Files\\Qzx\\");
  EXPECT_EQ(split.GetFileName(), L"agent.tar");
  EXPECT_EQ(split.GetExtension(), L".gz");
}

TEST(Folders, DataFolderIsMadeOnceAndCached) {
  apptest::AppPrefix prefix;
  wchar_t buffer[MAX_PATH] = {};
  ASSERT_TRUE(GetAppDataFolder(buffer));
  EXPECT_STREQ(buffer, apptest::kDataFolder);
  EXPECT_TRUE(fs::is_directory(prefix.hostPath(apptest::kDataFolder)));
  // The shell's answer no longer matters once the folder is known.
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"AppData"="C:\\elsewhere"
)");
  wchar_t again[MAX_PATH] = {};
  ASSERT_TRUE(GetAppDataFolder(again));
  EXPECT_STREQ(again, apptest::kDataFolder);
}

TEST(Folders, CreateDirectoryPathCountsAFolderByItsDirectoryBit) {
  apptest::AppPrefix prefix;
  EXPECT_TRUE(CreateDirectoryPath(L"C:\\qzx\\a\\b\\"));
  EXPECT_TRUE(fs::is_directory(prefix.hostPath(L"C:\\qzx\\a\\b")));
  mx::SetAttributeOverlay(L"C:\\qzx\\a\\b", FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(CreateDirectoryPath(L"C:\\qzx\\a\\b")) << "a hidden folder is still a folder";
  prefix.createFile(L"C:\\qzx\\file");
  EXPECT_FALSE(CreateDirectoryPath(L"C:\\qzx\\file"));
  EXPECT_TRUE(FileExists(L"C:\\qzx\\file"));
  EXPECT_TRUE(FileExists(L"C:\\qzx\\a"));
  EXPECT_FALSE(FileExists(L""));
  EXPECT_FALSE(FileExists(L"C:\\qzx\\none"));
}

TEST(Files, RecycleBinTakesTheFileAndRefusesOverlongPaths) {
  apptest::AppPrefix prefix;
  prefix.createFile(L"C:\\qzx\\old.txt", "x");
  const std::wstring path = L"C:\\qzx\\old.txt";
  EXPECT_TRUE(MoveFileToRecycleBin(path.size(), path.c_str()));
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(mx::RecycledItems().size(), 1u);
  const std::wstring overlong = L"C:\\" + std::wstring(517, L'a');
  EXPECT_FALSE(MoveFileToRecycleBin(overlong.size(), overlong.c_str()));
}

TEST(Files, VersionResourcesOfRealFiles) {
  apptest::AppPrefix prefix;
  const fs::path files = mxtest::FixtureDir() / "drive_c-files" / "windows" / "system32";
  std::string bytes;
  ASSERT_TRUE(mx::ReadWholeFile(files / "olepro32.dll", bytes));
  prefix.createFile(L"C:\\qzx\\olepro32.dll", bytes);
  ASSERT_TRUE(mx::ReadWholeFile(files / "msxml2.dll", bytes));
  prefix.createFile(L"C:\\qzx\\msxml2.dll", bytes);

  CFileVersionInfo info;
  ASSERT_TRUE(info.Load(L"C:\\qzx\\olepro32.dll"));
  EXPECT_EQ(info.GetFixedFileVersion(), L"5,0,4522,0");
  EXPECT_EQ(info.QueryFileVersion(), L"5.0.4522");
  EXPECT_FALSE(info.Load(L"C:\\qzx\\msxml2.dll"));
  EXPECT_EQ(info.GetFixedFileVersion(), L"");
  EXPECT_EQ(info.GetTranslation(), 0u);
}

TEST(System, WowAndAdministratorFollowTheMachine) {
  {
    mxtest::TestPrefix prefix(mxtest::Arch::Win64);
    EXPECT_TRUE(IsWow64());
    mx::reg::SetUserIsAdmin(false);
    EXPECT_FALSE(IsUserAdmin());
    void* old = nullptr;
    EXPECT_TRUE(DisableWow64Redirection(&old));
    RevertWow64Redirection(old);
    mx::reg::SetUserIsAdmin(true);
    EXPECT_TRUE(IsUserAdmin());
  }
  mxtest::TestPrefix prefix(mxtest::Arch::Win32);
  EXPECT_FALSE(IsWow64());
  void* old = nullptr;
  EXPECT_FALSE(DisableWow64Redirection(&old));
}

TEST(MessagePump, ElevenMessagesPerCall) {
  class Counter : public win::CWnd {
   public:
    int count = 0;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
      if (msg == WM_APP + 1) ++count;
      return CWnd::WindowProc(msg, wParam, lParam);
    }
  } wnd;
  ASSERT_TRUE(wnd.CreateEx(0, L"#32770", L"pump", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  // ctest runs each test in its own process, so the pump's count starts at 0 here.
  ASSERT_EQ(PumpedMessageCount(), 0);
  for (int i = 0; i < 12; ++i) wnd.PostMessage(WM_APP + 1);
  PumpMessages();
  ASSERT_EQ(PumpedMessageCount(), 0);
  EXPECT_EQ(wnd.count, 11);
  PumpMessages();
  EXPECT_EQ(wnd.count, 12);
}

TEST(Drawing, TextFitsWhileSixPixelsAreLeft) {
  const int measured = GetTextFitWidth(nullptr, nullptr, L"Scan now", 0) - 9;
  ASSERT_GT(measured, 0);
  EXPECT_EQ(GetTextFitWidth(nullptr, nullptr, L"Scan now", measured + 6), measured + 6);
  EXPECT_EQ(GetTextFitWidth(nullptr, nullptr, L"Scan now", measured + 5), measured + 9);
  LOGFONTW big{};
  big.lfHeight = -40;
  EXPECT_GT(GetTextFitWidthWithFont(nullptr, L"Scan now", &big, 0) - 9, measured);
}

TEST(Drawing, BitmapsAreCopiedAndStretched) {
  const DWORD red = 0x000000FF;  // 0x00BBGGRR
  const DWORD pixel = 0x00FF0000;  // the same red as 32-bit BGRA bits
  HBITMAP source = win::CreateBitmap(1, 1, 1, 32, &pixel);
  HDC target = win::CreateCompatibleDC(nullptr);
  HBITMAP canvas = win::CreateBitmap(8, 8, 1, 32, nullptr);
  HGDIOBJ old = win::SelectObject(target, canvas);
  StretchDrawBitmap(source, target, 2, 2, 4, 4, 1, 1);
  EXPECT_EQ(win::GetPixel(target, 5, 5), red);
  EXPECT_NE(win::GetPixel(target, 6, 6), red);
  DrawBitmap(source, target, 0, 0, 1, 1, SRCCOPY);
  EXPECT_EQ(win::GetPixel(target, 0, 0), red);
  win::SelectObject(target, old);
  win::DeleteObject(canvas);
  win::DeleteObject(source);
  win::DeleteDC(target);
  EXPECT_NE(GetDialogBrush(), nullptr);
}

}  // namespace
