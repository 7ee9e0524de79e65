#include "platform/shell/RecycleBin.h"

#include <gtest/gtest.h>

#include "platform/base/FileIO.h"
#include "platform/fs/FileApi.h"
#include "support/TestPrefix.h"

namespace {

int Delete(const std::wstring& path, WORD flags = 0x654) {
  std::vector<wchar_t> from(path.begin(), path.end());
  from.resize(path.size() + 2, L'\0');  // the list ends with two nulls
  SHFILEOPSTRUCTW op;
  op.wFunc = FO_DELETE;
  op.pFrom = from.data();
  op.fFlags = flags;
  return win::SHFileOperation(&op);
}

TEST(RecycleBin, DeleteWithUndoMovesTheFileIntoTheBin) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  prefix.createFile(L"C:\\users\\Public\\Desktop\\Old App.lnk", "link bytes");
  EXPECT_EQ(Delete(L"c:\\users\\public\\desktop\\old app.lnk"), 0);
  EXPECT_EQ(win::GetFileAttributes(L"C:\\users\\Public\\Desktop\\Old App.lnk"), INVALID_FILE_ATTRIBUTES);
  auto items = mx::RecycledItems();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].extension(), ".lnk");
  std::string bytes;
  ASSERT_TRUE(mx::ReadWholeFile(items[0], bytes));
  EXPECT_EQ(bytes, "link bytes");
  EXPECT_TRUE(items[0].parent_path().string().find("$Recycle.Bin/S-1-5-21-0-0-0-1000") != std::string::npos);

  EXPECT_NE(Delete(L"C:\\users\\Public\\Desktop\\Old App.lnk"), 0);
  EXPECT_NE(Delete(L"C:\\"), 0);
  SHFILEOPSTRUCTW copy;
  copy.wFunc = FO_COPY;
  copy.pFrom = L"C:\\x\0";
  EXPECT_NE(win::SHFileOperation(&copy), 0);

  prefix.createFile(L"C:\\tmp\\gone.txt", "x");
  EXPECT_EQ(Delete(L"C:\\tmp\\gone.txt", FOF_NOCONFIRMATION | FOF_SILENT), 0);
  EXPECT_EQ(mx::RecycledItems().size(), 1u) << "without FOF_ALLOWUNDO the file is deleted";
}

}  // namespace
