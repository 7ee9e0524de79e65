// The scan log export: the document byte for byte for none, one and two problems in a category, escaping of
// registry text, the data folder's file and the copy into a chosen folder, and failures that are told.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/CategoryTexts.h"
#include "app/ProgramVersion.h"
#include "app/ZUNApp.h"
#include "mainwnd/ScanLogExport.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/shell/FolderPicker.h"
#include "platform/win/MessageBox.h"
#include "scan/ScanManager.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EngineTestSupport.h"
#include "scan/support/EnglishTexts.h"

namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kHandlerKey = L"HKEY_CLASSES_ROOT\\*\\shellex\\ContextMenuHandlers\\Qzx";

class ScanLogExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    enginetest::AddDataFolder(prefix);
    LoadCategoryStrings();
    scope.app().m_pScanManager = &manager;
    manager.m_categoryFactory = enginetest::StubFactory(nullptr);
    manager.CreateCategories(CATEGORY_FONTS | CATEGORY_STARTUP, 2);
    StrLastScan = L"12/11/2026 00:40";
    StrLastScanResults = L"3";
    GetExeFileVersion(version);
  }
  void TearDown() override {
    win::SetFolderPicker(nullptr);
    scope.app().m_pScanManager = nullptr;
    CloseAppLog();
  }

  void Add(DWORD flag, const std::wstring& entry, const std::wstring& key = kHandlerKey) {
    manager.GetCategory(flag)->m_arrProblems.push_back(enginetest::MakeProblem(20, key));
    manager.GetCategory(flag)->m_arrProblems.back()->m_arrDetails = {entry};
  }
  std::string Document(std::wstring* failure = nullptr) {
    XmlWriter writer([](std::string_view) { return S_OK; });
    std::wstring ignored;
    if (FAILED(WriteScanLog(&manager, writer, failure ? failure : &ignored))) return "<failed>";
    return writer.Document();
  }
  std::string Head() const {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<KVTscanlog>\r\n  <KVTVERSION>" + mx::WideToUtf8(version) +
           "</KVTVERSION>\r\n  <ScanningDate>12/11/2026 00:40</ScanningDate>\r\n  <TotalErrorsFound>3"
           "</TotalErrorsFound>\n";
  }
  static std::string Entry(const std::string& entry, const std::string& key = "HKEY_CLASSES_ROOT\\*\\shellex\\"
                                                                             "ContextMenuHandlers\\Qzx") {
    return "    <EntryDetails>\r\n      <Entry>" + entry + "</Entry>\n      <Details>The context menu handler key " +
           key + " cannot be read.</Details>\r\n    </EntryDetails>\n";
  }
  fs::path DataFile() const { return prefix.hostPath(GetAppDataFolderPath() + L"\\MendrixScanlog.xml"); }

  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
  mxtest::ScanSettingsScope scope{mxtest::ScanSettings{}};
  mxtest::EnglishTextsScope english;
  win::ScopedAnswers answers;
  CScanManager manager;
  std::wstring version;
};

TEST_F(ScanLogExportTest, DocumentForNoneOneAndTwoProblemsInACategory) {
  ASSERT_FALSE(version.empty());
  EXPECT_EQ(Document(), Head() + "</KVTscanlog>") << "only the three head elements";

  Add(CATEGORY_STARTUP, L"Qzx");
  const std::string startup =
      "  <Scanning Section=\"Startup programs\">\r\n"
      "    <Description>Programs set to start with Windows that no longer exist.</Description>\r\n"
      "    <ErrorsInThisSection>1 error</ErrorsInThisSection>\n" +
      Entry("Qzx") + "  </Scanning>\n";
  EXPECT_EQ(Document(), Head() + startup + "</KVTscanlog>");

  Add(CATEGORY_FONTS, L"First");
  Add(CATEGORY_FONTS, L"Second");
  const std::string fonts =
      "  <Scanning Section=\"Fonts\">\r\n"
      "    <Description>Registered fonts whose font files no longer exist.</Description>\r\n"
      "    <ErrorsInThisSection>2 errors</ErrorsInThisSection>\n" +
      Entry("First") + Entry("Second") + "  </Scanning>\n";
  EXPECT_EQ(Document(), Head() + fonts + startup + "</KVTscanlog>") << "categories in flag order";
}

TEST_F(ScanLogExportTest, RegistryTextIsEscaped) {
  Add(CATEGORY_FONTS, L"Qzx <\"A&B\">", L"HKEY_CURRENT_USER\\Software\\Q<z>x&\"y\"");
  EXPECT_EQ(Document(), Head() +
                            "  <Scanning Section=\"Fonts\">\r\n"
                            "    <Description>Registered fonts whose font files no longer exist.</Description>\r\n"
                            "    <ErrorsInThisSection>1 error</ErrorsInThisSection>\n" +
                            Entry("Qzx &lt;\"A&amp;B\"&gt;", "HKEY_CURRENT_USER\\Software\\Q&lt;z&gt;x&amp;\"y\"") +
                            "  </Scanning>\n</KVTscanlog>");
  XmlWriter writer([](std::string_view) { return S_OK; });
  ASSERT_EQ(writer.WriteStartElement(L"KVTscanlog"), S_OK);
  std::wstring failure;
  ASSERT_EQ(WriteScanLogSection(writer, L"a\"b<c&'", L"", L"0 errors", &failure), S_OK);
  EXPECT_NE(writer.Document().find("<Scanning Section=\"a&quot;b&lt;c&amp;&apos;\">"), std::string::npos);
}

TEST_F(ScanLogExportTest, WrittenToTheDataFolderThenCopiedWhereTheUserChose) {
  Add(CATEGORY_FONTS, L"First");
  std::optional<std::wstring> choice;  // cancelled first
  win::SetFolderPicker([&](const win::FolderPickerRequest& request) {
    EXPECT_EQ(request.title, L"Select a location to save log file.");
    EXPECT_EQ(request.flags, 0x4Au);
    return choice;
  });
  ScanLogExportOutcome outcome = ExportScanLogXml(nullptr);
  EXPECT_EQ(outcome.kind, ScanLogExportOutcome::Written);
  std::string bytes;
  ASSERT_TRUE(mx::ReadWholeFile(DataFile(), bytes)) << "a cancelled picker still leaves the whole file";
  EXPECT_EQ(bytes, Document());
  ASSERT_EQ(answers.answers.texts().size(), 1u);
  EXPECT_EQ(answers.answers.texts()[0], L"The scan log was saved as " + outcome.path + L".");

  // Twice into the same folder: both files are replaced by the newer log.
  prefix.createFile(L"C:\\users\\qzx\\Documents\\keep.txt");
  choice = L"C:\\users\\qzx\\Documents";
  ASSERT_EQ(ExportScanLogXml(nullptr).kind, ScanLogExportOutcome::CopiedToFolder);
  Add(CATEGORY_FONTS, L"Second");
  outcome = ExportScanLogXml(nullptr);
  EXPECT_EQ(outcome.kind, ScanLogExportOutcome::CopiedToFolder);
  EXPECT_EQ(outcome.path, L"C:\\users\\qzx\\Documents\\MendrixScanlog.xml");
  std::string copy;
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(outcome.path), copy));
  ASSERT_TRUE(mx::ReadWholeFile(DataFile(), bytes));
  EXPECT_EQ(copy, bytes);
  EXPECT_NE(copy.find("<Entry>Second</Entry>"), std::string::npos);

  // A folder that is gone by then: the log is in the data folder, and the user is told it was not copied.
  choice = L"C:\\users\\qzx\\Gone";
  answers.answers.clear();
  outcome = ExportScanLogXml(nullptr);
  EXPECT_EQ(outcome.kind, ScanLogExportOutcome::NotCopied);
  EXPECT_EQ(answers.answers.texts(),
            (std::vector<std::wstring>{L"The scan log was saved as " + outcome.path +
                                       L", but it could not be copied to the folder you chose."}));
}

TEST_F(ScanLogExportTest, AFailureStopsTheExportKeepsTheEarlierFileAndIsTold) {
  Add(CATEGORY_FONTS, L"First");
  ASSERT_EQ(ExportScanLogXml(nullptr).kind, ScanLogExportOutcome::Written);
  std::string earlier;
  ASSERT_TRUE(mx::ReadWholeFile(DataFile(), earlier));

  // A key name with a character XML cannot carry.
  Add(CATEGORY_STARTUP, L"Qzx\x01");
  std::wstring failure;
  EXPECT_EQ(Document(&failure), "<failed>");
  EXPECT_EQ(failure, L"Error, Method: WriteString, error is c00cee2b");
  answers.answers.clear();
  const ScanLogExportOutcome outcome = ExportScanLogXml(nullptr);
  EXPECT_EQ(outcome.kind, ScanLogExportOutcome::NotWritten);
  EXPECT_EQ(answers.answers.texts(),
            (std::vector<std::wstring>{L"The scan log could not be saved. No file was written."}));
  std::string now;
  ASSERT_TRUE(mx::ReadWholeFile(DataFile(), now));
  EXPECT_EQ(now, earlier) << "the earlier log is untouched";

  // A data folder where the file cannot be written at all.
  manager.GetCategory(CATEGORY_STARTUP)->m_arrProblems.clear();
  fs::remove(DataFile());
  fs::create_directories(DataFile());
  EXPECT_EQ(ExportScanLogXml(nullptr).kind, ScanLogExportOutcome::NotWritten);
}

}  // namespace
