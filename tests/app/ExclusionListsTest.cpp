#include "app/ExclusionLists.h"

#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/ZUNApp.h"
#include "platform/fs/FileApi.h"
#include "AppTestPrefix.h"

namespace {

std::string Hex(const std::string& bytes, size_t n) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < std::min(n, bytes.size()); ++i) {
    if (i) out += ' ';
    out += digits[static_cast<unsigned char>(bytes[i]) >> 4];
    out += digits[static_cast<unsigned char>(bytes[i]) & 15];
  }
  return out;
}

TEST(KeyListFormat, GoldenBytes) {
  EXPECT_EQ(EncodeKeyList({}), std::string(6, '\0'));
  const std::string one = EncodeKeyList({std::wstring(26, L'K')});
  EXPECT_EQ(Hex(one, 10), "01 00 00 00 01 00 FF FE FF 1A");
  EXPECT_EQ(one.size(), 10u + 52u);
  const std::string longer = EncodeKeyList({std::wstring(300, L'K')});
  EXPECT_EQ(Hex(longer, 12), "01 00 00 00 01 00 FF FE FF FF 2C 01");
  EXPECT_EQ(longer.size(), 12u + 600u);

  std::vector<std::wstring> back;
  EXPECT_TRUE(DecodeKeyList(longer, back));
  EXPECT_EQ(back, (std::vector<std::wstring>{std::wstring(300, L'K')}));
  EXPECT_TRUE(DecodeKeyList(std::string(6, '\0'), back));
  EXPECT_TRUE(back.empty());
}

TEST(KeyListFormat, DamagedBytesKeepTheStringsBeforeTheDamageAndNoEmptyEntry) {
  const std::vector<std::wstring> list{L"HKEY_CURRENT_USER\\A", L"", L"HKEY_CURRENT_USER\\B", L"C"};
  const std::string bytes = EncodeKeyList(list);
  std::vector<std::wstring> out;
  EXPECT_TRUE(DecodeKeyList(bytes, out));
  EXPECT_EQ(out, (std::vector<std::wstring>{L"HKEY_CURRENT_USER\\A", L"HKEY_CURRENT_USER\\B", L"C"}));

  EXPECT_FALSE(DecodeKeyList(bytes.substr(0, bytes.size() - 3), out)) << "cut inside the last string";
  EXPECT_EQ(out, (std::vector<std::wstring>{L"HKEY_CURRENT_USER\\A", L"HKEY_CURRENT_USER\\B"}));

  // An absurd count (0xFFFF, then four billion) over a few bytes reads what is there and stops.
  std::string hostile("\0\0\0\0\xFF\xFF\xFF\xFF\xFF\xFF", 10);
  hostile += EncodeKeyList({L"X"}).substr(6);
  EXPECT_FALSE(DecodeKeyList(hostile, out));
  EXPECT_EQ(out, (std::vector<std::wstring>{L"X"}));
  EXPECT_FALSE(DecodeKeyList(std::string("\1\0", 2), out));
  EXPECT_TRUE(out.empty());

  // Whatever follows the last string makes the file damaged, though every string in it reads.
  for (const std::string& tail : {std::string("x"), std::string(1 << 20, '\0'), bytes}) {
    EXPECT_FALSE(DecodeKeyList(bytes + tail, out)) << tail.size();
    EXPECT_EQ(out.size(), 3u);
  }
}

class ListFileTest : public ::testing::Test {
 protected:
  std::wstring PathOf(const wchar_t* name) {
    std::wstring path = GetAppDataFolderPath();
    AppendPath(path, name);
    return path;
  }
  apptest::AppPrefix prefix;
};

TEST_F(ListFileTest, AppObjectRoundTripAndMissingFiles) {
  CZUNApp app;
  app.m_arrExcludeList = {L"stays when the file is missing"};
  LoadExclusionList();
  LoadTemporaryList(&app);
  EXPECT_EQ(app.m_arrExcludeList.size(), 1u);
  EXPECT_TRUE(app.m_arrTempList.empty());

  AddToExclusionList(&app, L"HKEY_LOCAL_MACHINE\\Software\\Qzx");
  AddToExclusionList(&app, L"hkey_local_machine\\software\\QZX");
  AddToExclusionList(&app, L"");
  app.m_arrTempList = {L"HKEY_CURRENT_USER\\T"};
  EXPECT_EQ(app.m_arrExcludeList.size(), 2u);
  SaveExclusionList();
  SaveTemporaryList();

  CZUNApp fresh;  // the newest application object is the one the lists belong to
  LoadExclusionList();
  LoadTemporaryList(&fresh);
  EXPECT_EQ(fresh.m_arrExcludeList, app.m_arrExcludeList);
  EXPECT_EQ(fresh.m_arrTempList, app.m_arrTempList);
}

TEST_F(ListFileTest, TruncatedFileLoadsAsAnErrorAndItsBytesAreKeptAside) {
  const std::wstring path = PathOf(kExcludeListFile);
  const std::string whole = EncodeKeyList({L"first key", L"second key"});
  ASSERT_EQ(mx::WriteWinFile(path, whole.substr(0, whole.size() - 4)), ERROR_SUCCESS);
  std::vector<std::wstring> list{L"old"};
  EXPECT_FALSE(LoadKeyListFile(path, list));
  EXPECT_EQ(list, (std::vector<std::wstring>{L"first key"}));
  std::string kept;
  ASSERT_EQ(mx::ReadWinFile(path + L".damaged", kept), ERROR_SUCCESS);
  EXPECT_EQ(kept, whole.substr(0, whole.size() - 4));
}

TEST_F(ListFileTest, AFailedSaveKeepsTheOldFile) {
  const std::wstring path = PathOf(kTempListFile);
  ASSERT_TRUE(SaveKeyListFile(path, {L"old entry"}));
  std::string before;
  ASSERT_EQ(mx::ReadWinFile(path, before), ERROR_SUCCESS);
  // A read-only file cannot be replaced: the save fails and the old content stays.
  ASSERT_TRUE(win::SetFileAttributes(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(SaveKeyListFile(path, {L"new entry"}));
  std::string after;
  ASSERT_EQ(mx::ReadWinFile(path, after), ERROR_SUCCESS);
  EXPECT_EQ(after, before);
}

}  // namespace
