#include <gtest/gtest.h>

#include <filesystem>

#include "app/XmlDocument.h"
#include "dllfix/FeedbackReport.h"
#include "platform/fs/Drives.h"
#include "support/TestPrefix.h"

namespace {

// The text of the element at path (names separated by '/', from the root's children).
std::wstring TextAt(const std::wstring& xml, std::initializer_list<const wchar_t*> path) {
  CXmlDocument doc(xml);
  if (!doc.FindElement(L"sf_feedback")) return L"<no root>";
  for (const wchar_t* name : path) {
    doc.EnterElement();
    if (!doc.FindElement(name)) return std::wstring(L"<no ") + name + L">";
  }
  return doc.GetElementText();
}

}  // namespace

TEST(FeedbackReport, EntriesAreCheckedInTheFormsOrder) {
  struct Case {
    const wchar_t* email;
    int type;
    const wchar_t* message;
    int result;
  };
  const Case kCases[] = {
      {L"", 0, L"", kFeedbackEmptyEmail},
      {L"@x.org", 1, L"m", kFeedbackInvalidEmail},
      {L"qzx@", 1, L"m", kFeedbackInvalidEmail},
      {L"q\u00E9x@x.org", 1, L"m", kFeedbackInvalidEmail},
      {L"qzx@x.org", 0, L"m", kFeedbackNoProblemType},
      {L"qzx@x.org", 3, L"  \r\n ", kFeedbackEmptyMessage},
  };
  for (const auto& c : kCases) {
    std::wstring report = L"old";
    EXPECT_EQ(BuildFeedbackReport(c.email, c.type, L"t", c.message, report), c.result) << c.email;
    EXPECT_EQ(report, L"");
  }
}

TEST(FeedbackReport, DescribesTheDllAndTheComputer) {
  mxtest::TestPrefix prefix;
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"DLLFILENAME"="msvcp<71>.dll"
)");
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0]
"FEEDBACKMD5"="0123456789abcdef0123456789abcdef"
)");
  std::wstring report;
  ASSERT_EQ(BuildFeedbackReport(L"qzx@example.org", 2, L"Still broken", L"  it <still> fails & more \n", report),
            kFeedbackReportBuilt);
  EXPECT_EQ(TextAt(report, {L"feedback", L"email"}), L"qzx@example.org");
  EXPECT_EQ(TextAt(report, {L"feedback", L"feedback_type"}), L"Still broken");
  EXPECT_EQ(TextAt(report, {L"feedback", L"content"}), L"it <still> fails & more");
  EXPECT_EQ(TextAt(report, {L"DLLInfo", L"DLLFILENAME"}), L"msvcp<71>.dll");
  EXPECT_EQ(TextAt(report, {L"DLLInfo", L"MD5"}), L"0123456789abcdef0123456789abcdef");
  EXPECT_EQ(TextAt(report, {L"sys_info", L"os_architecture_type"}), L"9");
  EXPECT_EQ(TextAt(report, {L"sys_info", L"system_driver"}), L"C:");
  EXPECT_EQ(TextAt(report, {L"sys_info", L"drive_info", L"drive_name"}), L"C:\\");
  EXPECT_NE(TextAt(report, {L"sys_info", L"memory_info", L"total_phy"}), L"0");
  EXPECT_EQ(TextAt(report, {L"prog_info", L"prog_ver"}), L"1,0,0,1");
  EXPECT_EQ(report.find(L"<still>"), std::wstring::npos);  // escaped, never markup
}

TEST(FeedbackReport, OnlyFixedAndRemovableDrivesAreDescribed) {
  mxtest::TestPrefix prefix;
  // Beside C: a CD drive, a floppy and a network drive, as Wine records them.
  for (const char* letter : {"d", "e", "n"}) {
    const auto folder = prefix.root() / (std::string("media-") + letter);
    std::filesystem::create_directories(folder);
    std::filesystem::create_directory_symlink(folder, prefix.root() / "dosdevices" / (std::string(letter) + ":"));
  }
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Wine\Drives]
"d:"="cdrom"
"e:"="floppy"
"n:"="network"
)");
  mx::ResetDrives();
  std::wstring report;
  ASSERT_EQ(BuildFeedbackReport(L"qzx@example.org", 1, L"t", L"m", report), kFeedbackReportBuilt);
  mx::ResetDrives();
  CXmlDocument doc(report);
  ASSERT_TRUE(doc.FindElement(L"sf_feedback"));
  doc.EnterElement();
  ASSERT_TRUE(doc.FindElement(L"sys_info"));
  doc.EnterElement();
  std::vector<std::wstring> drives;
  while (doc.FindElement(L"drive_info")) {
    doc.EnterElement();
    if (doc.FindElement(L"drive_name")) drives.push_back(doc.GetElementText());
    doc.LeaveElement();
  }
  EXPECT_EQ(drives, (std::vector<std::wstring>{L"C:\\", L"E:\\"}));
}
