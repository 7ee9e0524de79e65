// The DLL finder against the service double on throw-away prefixes: the name encoding, both replies, the
// recommended set, the installation into the system folders and the follow-up question.
#include <filesystem>

#include <gtest/gtest.h>

#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/ZUNApp.h"
#include "dllfix/DllFixFeedback.h"
#include "dllfix/DllInstaller.h"
#include "dllfix/DllSearch.h"
#include "platform/base/FileIO.h"
#include "platform/base/Md5.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Module.h"
#include "platform/system/ServiceControl.h"
#include "platform/taskschd/TaskStore.h"
#include "platform/win/MessageBox.h"
#include "support/ServiceDouble.h"
#include "support/TestPrefix.h"
#include "DllTestPrefix.h"

namespace fs = std::filesystem;
using mxtest::ServiceDouble;

namespace {


DLL_RESULT_DATA_EX Record(const std::wstring& name, const std::wstring& bits, int order,
                          const std::wstring& url = {}, const std::wstring& hash = {}) {
  DLL_RESULT_DATA_EX r;
  r.filename = name;
  r.bits = bits;
  r.order = order;
  r.url = url;
  r.hash = hash;
  return r;
}

class DllFinderTest : public ::testing::Test {
 protected:
  explicit DllFinderTest(mxtest::Arch arch = mxtest::Arch::Win64) : prefix(arch) {}
  void SetUp() override {
    dlltest::PrepareDllPrefix(prefix);
    ResetIniCache();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    mx::ResetStartedServices();
    SetInstallFolderChooser(nullptr);
  }
  void TearDown() override {
    ResetLanguageReader();
    ResetIniCache();
    unsetenv("MENDRIX_SERVICE_URL");
    SetInstallFolderChooser(nullptr);
  }
  void UseService(const ServiceDouble& service) { setenv("MENDRIX_SERVICE_URL", service.url().c_str(), 1); }

  std::string Content(const std::wstring& path) const {
    std::string s;
    mx::ReadWholeFile(prefix.hostPath(path), s);
    return s;
  }
  std::wstring Value(HKEY root, const wchar_t* name) const {
    CRegistryKey key;
    key.m_access = KEY_READ;
    std::wstring value;
    if (key.Open(root, FALSE, kProductKey)) key.ReadString(name, value);
    return value;
  }
  bool HasValue(HKEY root, const wchar_t* name) const {
    CRegistryKey key;
    key.m_access = KEY_READ;
    std::wstring text;
    DWORD number = 0;
    return key.Open(root, FALSE, kProductKey) && (key.ReadString(name, text) || key.ReadDWORD(name, number));
  }
  std::vector<std::string> BackupFolder(const char* bits) const {
    std::vector<std::string> names;
    const fs::path folder = prefix.hostPath(GetAppDataFolderPath()) / "backup_overwrite" / bits;
    if (fs::exists(folder))
      for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  mxtest::TestPrefix prefix;
  win::ScopedAnswers answers;
  CZUNApp app;
};

class DllFinder32Test : public DllFinderTest {
 protected:
  DllFinder32Test() : DllFinderTest(mxtest::Arch::Win32) {}
};

const char* kDetailReply = R"(<?xml version="1.0"?>
<reply>
  <group grouporder="2"><b64><item><filename>ignored.dll</filename><order>0</order></item></b64></group>
  <group grouporder="1">
    <groupdescription>Runtime library</groupdescription>
    <other><item><filename>qzx.dll</filename><bits>32</bits><order>1</order><hash>o1</hash><url>http://h/o1</url></item></other>
    <b32>
      <item><filename>qzx.dll</filename><bits>32</bits><osname>XP</osname><order>3</order><hash>a3</hash><url>http://h/a3</url><langname>English</langname></item>
      <item><filename>qzx.dll</filename><bits>32</bits><order>1</order><hash>a1</hash></item>
      <item><filename>qzx.dll</filename><bits>32</bits><hash>unranked</hash><url>http://h/u</url></item>
    </b32>
    <b64><item><filename>qzx.dll</filename><bits>64</bits><order>1</order><hash>b1</hash><url>http://h/b1</url></item></b64>
  </group>
</reply>)";

}  // namespace

TEST(DllSearchCodingTest, NameEncodingAndReplyDecoding) {
  EXPECT_EQ(EncodeDllName(L"abc"), L"9E9D9C");
  EXPECT_EQ(BytesToHex(InvertBytes("\x01\xff")), "FE00");
  EXPECT_EQ(HexToBytes("4G", 1), "\x04");  // a pair stops at its first non-digit
  EXPECT_EQ(HexToBytes("G4", 1), std::string(1, '\0'));
  const std::string xml = "<r><FILENAME>a.dll</FILENAME></r>";
  const std::string upper = BytesToHex(InvertBytes(xml));
  std::string lower = upper;
  for (char& c : lower) c = static_cast<char>(std::tolower(c));
  EXPECT_EQ(DecodeSearchReply(upper), mx::Utf8ToWide(xml));
  EXPECT_EQ(DecodeSearchReply(lower + "\r\n"), mx::Utf8ToWide(xml));
  EXPECT_EQ(mx::Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(mx::Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(mx::Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(DllSearchCodingTest, PlainReplyRows) {
  const auto rows = ReadSearchReply(
      L"<list><r><FILENAME>a.dll</FILENAME><FILENAME>b.dll</FILENAME><FILEDESC>A</FILEDESC><FILEURL>u1</FILEURL></r>"
      L"<r><filename>c.dll</filename><fileurl>u2</fileurl></r><r><FILENAME>d.dll</FILENAME><FILEDESC>D</FILEDESC></r></list>");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].FILENAME, L"a.dll");  // the second of two FILENAME leaves in a row is skipped
  EXPECT_EQ(rows[1].FILENAME, L"c.dll");
  EXPECT_EQ(rows[1].FILEDESC, L"A");  // the plain search's rows share one record
  EXPECT_TRUE(ReadSearchReply(L"<list><r><FILENAME>x</FILENAME></r></list>").empty());
}

TEST(DllSearchCodingTest, DetailReplyTablesAndRecommendedSets) {
  DllDetailTables t;
  ReadDetailReply(mx::Utf8ToWide(kDetailReply), t);
  ASSERT_EQ(t.b32.size(), 3u);
  EXPECT_EQ(t.groupDescription, L"Runtime library");
  // Every item starts empty: the second 32-bit item has no URL, the third no order.
  EXPECT_EQ(t.b32[1].url, L"");
  EXPECT_EQ(t.b32[1].osname, L"");
  EXPECT_EQ(t.b32[2].order, DLL_RESULT_DATA_EX::kUnranked);

  DllDetailTables on64 = t;
  ChooseRecommended(on64, true);
  EXPECT_EQ(on64.recommendedTable, kTable64);
  EXPECT_EQ(on64.b32[0].hash, L"a1");
  EXPECT_EQ(on64.b32[2].hash, L"unranked");  // a missing order sorts last
  const auto set = RecommendedInstallSet(on64);
  EXPECT_EQ(set[0].hash, L"b1");
  EXPECT_EQ(set[1].hash, L"o1");
  EXPECT_EQ(set[2].hash, L"a1");
  EXPECT_EQ(SameOrderRows(on64).size(), 2u);
  EXPECT_EQ(AlternativeRows(on64).size(), 5u);
  EXPECT_EQ(DllSystemText(on64.b32[1]), L"XP, x32");

  DllDetailTables on32 = t;
  ChooseRecommended(on32, false);
  EXPECT_TRUE(on32.b64.empty());
  EXPECT_EQ(on32.recommendedTable, kTable32);
  EXPECT_EQ(RecommendedInstallSet(on32)[1].hash, L"o1");

  // Range checks of what a page hands back.
  EXPECT_NE(on64.Find(kTable32, 2), nullptr);
  for (auto [table, index] : {std::pair{0, 0L}, {4, 0L}, {kTable32, 3L}, {kTable32, -1L}, {kTableOther, 1L}})
    EXPECT_EQ(on64.Find(table, index), nullptr) << table << " " << index;

  DllDetailTables only64;
  ReadDetailReply(L"<r><group grouporder='1'><b64><item><filename>x.dll</filename></item></b64></group></r>", only64);
  ChooseRecommended(only64, false);
  EXPECT_TRUE(only64.Empty());
}

TEST_F(DllFinderTest, SearchRequestsCarryTheEncodedNameAndRepliesAreRead) {
  ServiceDouble service(R"({"routes": [
    {"path": "/fapi/searchfile.php", "body": "<l><r><FILENAME>abc.dll</FILENAME><FILEDESC>d</FILEDESC><FILEURL>u</FILEURL></r></l>",
     "encode": "inverted-hex"},
    {"path": "/searchfiles/withkey/search.php", "body": "<r/>"}]})");
  UseService(service);
  std::string reply;
  ASSERT_TRUE(FetchServiceReply(DllSearchUrl(L"abc"), L"dllinfo.xml", reply));
  const auto rows = ReadSearchReply(DecodeSearchReply(reply));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].FILENAME, L"abc.dll");
  ASSERT_TRUE(FetchServiceReply(DllDetailSearchUrl(L"abc"), L"dllinfoEx.xml", reply));
  EXPECT_EQ(reply, "<r/>");
  const auto log = service.requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].query.rfind("filename=9E9D9C&majorver=", 0), 0u) << log[0].query;
  EXPECT_NE(log[0].query.find("&architecturetype=9&langid=en"), std::string::npos) << log[0].query;
  EXPECT_EQ(log[1].query.rfind("filename=9E9D9C&majorver=", 0), 0u);
  EXPECT_FALSE(FetchServiceReply(mx::Utf8ToWide(service.url()) + L"/missing", L"dllinfo.xml", reply));
}

TEST(DllInstallerNamesTest, UnsafeNamesAndBits) {
  for (const wchar_t* good : {L"qzx.dll", L"a b.dll", L"x"}) EXPECT_TRUE(IsSafeDllFileName(good)) << good;
  for (const wchar_t* bad : {L"", L".", L"..", L"..\\x.dll", L"a/b.dll", L"c:x.dll", L"x.dll.", L"x.dll ", L"CON",
                             L"nul.dll", L"com1.dll", L"LPT9", L"a\tb", L"a*b", L"a?b", L"a|b", L"a<b"})
    EXPECT_FALSE(IsSafeDllFileName(bad)) << bad;
  EXPECT_FALSE(IsSafeDllFileName(std::wstring(256, L'a')));
  EXPECT_EQ(NormaliseDllBits(L" 64 "), L"64");
  EXPECT_EQ(NormaliseDllBits(L"..\\64"), L"32");
  EXPECT_EQ(NormaliseDllBits(L""), L"32");
}

TEST_F(DllFinderTest, SetOf32And64BitLandsInBothSystemFoldersAndIsRecorded) {
  ServiceDouble service(R"({"routes": [{"path": "/", "body": "up"},
    {"path": "/f/x32.dll", "body": "MZ-32"}, {"path": "/f/x64.dll", "body": "MZ-64"}]})");
  UseService(service);
  const std::string u = service.url();
  prefix.import32(LR"([HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"ASKEDUSER"=dword:00000001
)");
  ASSERT_TRUE(HasValue(HKEY_LOCAL_MACHINE, L"ASKEDUSER"));
  prefix.createFile(L"C:\\windows\\syswow64\\qzx.dll", "old-32");
  const std::wstring h32 = mx::Utf8ToWide(mx::Md5Hex("MZ-32")), h64 = mx::Utf8ToWide(mx::Md5Hex("MZ-64"));
  answers.answers.Expect(L"already exists", IDYES);
  ASSERT_TRUE(InstallDlls(Record(L"qzx.dll", L"64", 1, mx::Utf8ToWide(u + "/f/x64.dll"), h64),
                          Record(L"qzx32.dll", L"32", 1, mx::Utf8ToWide(u + "/f/x32.dll"), h32), {}, FALSE));
  EXPECT_EQ(Content(L"C:\\windows\\system32\\qzx.dll"), "MZ-64");
  EXPECT_EQ(Content(L"C:\\windows\\syswow64\\qzx.dll"), "MZ-32");  // under the main file's name
  EXPECT_EQ(BackupFolder("32"), std::vector<std::string>{"qzx.dll"});  // named after the file it holds
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, L"DLLFILENAME"), L"qzx.dll");
  EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, L"FIRST_FREE_DONE"));
  EXPECT_EQ(Value(HKEY_CURRENT_USER, L"FEEDBACKMD5"), h64 + L":" + h32);
  EXPECT_EQ(Value(HKEY_CURRENT_USER, L"PathInstalled"), L"C:\\windows\\system32\\qzx.dll");
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, L"ASKEDUSER"));
  mx::StoredTask task;
  ASSERT_EQ(mx::LoadTask(kAskUserTaskName, task), ERROR_SUCCESS);
  EXPECT_EQ(task.arguments, L"-askuser");
  EXPECT_FALSE(g_bDllInstallRunning);

  // A second installation over the first keeps the first backup and adds one beside it.
  answers.answers.Expect(L"already exists", IDYES);
  ASSERT_TRUE(InstallDlls(Record(L"qzx.dll", L"32", 1, mx::Utf8ToWide(u + "/f/x32.dll"), h32), {}, {}, FALSE));
  EXPECT_EQ(BackupFolder("32"), (std::vector<std::string>{"qzx.2.dll", "qzx.dll"}));
  EXPECT_EQ(Value(HKEY_CURRENT_USER, L"FEEDBACKMD5"), h32);  // the checksum list starts empty each time
  std::string first;
  mx::ReadWholeFile(prefix.hostPath(GetAppDataFolderPath()) / "backup_overwrite" / "32" / "qzx.dll", first);
  EXPECT_EQ(first, "old-32");
}

TEST_F(DllFinderTest, RefusedAndFailedInstallationsWriteNothing) {
  ServiceDouble service(R"({"routes": [{"path": "/", "body": "up"}, {"path": "/f/x.dll", "body": "MZ"}]})");
  UseService(service);
  const std::wstring u = mx::Utf8ToWide(service.url());
  struct Case {
    const char* what;
    DLL_RESULT_DATA_EX record;
  };
  const Case cases[] = {
      {"traversal", Record(L"..\\..\\win.ini", L"32", 1, u + L"/f/x.dll")},
      {"device", Record(L"AUX.dll", L"32", 1, u + L"/f/x.dll")},
      {"not http", Record(L"x.dll", L"32", 1, L"file:///etc/passwd")},
      {"no url", Record(L"x.dll", L"32", 1)},
      {"checksum", Record(L"x.dll", L"32", 1, u + L"/f/x.dll", L"0123456789abcdef0123456789abcdef")},
      {"not found", Record(L"x.dll", L"32", 1, u + L"/f/missing.dll")},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(InstallDlls(c.record, {}, {}, FALSE)) << c.what;
    EXPECT_FALSE(g_bDllInstallRunning);
  }
  EXPECT_TRUE(fs::is_empty(prefix.hostPath(L"C:\\windows\\syswow64")));
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, L"DLLFILENAME"));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, L"FEEDBACKMD5"));
  mx::StoredTask task;
  EXPECT_NE(mx::LoadTask(kAskUserTaskName, task), ERROR_SUCCESS);

  // Refusing to overwrite, and the folder choice without a chooser (cancelled), install nothing either.
  prefix.createFile(L"C:\\windows\\syswow64\\x.dll", "old");
  answers.answers.Expect(L"already exists", IDNO);
  EXPECT_FALSE(InstallDlls(Record(L"x.dll", L"32", 1, u + L"/f/x.dll"), {}, {}, FALSE));
  EXPECT_FALSE(InstallDlls(Record(L"x.dll", L"32", 1, u + L"/f/x.dll"), {}, {}, TRUE));
  EXPECT_EQ(Content(L"C:\\windows\\syswow64\\x.dll"), "old");
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, L"DLLFILENAME"));
}

TEST_F(DllFinderTest, ChosenFolderKeepsEachNameAndStartsWhereTheBitsSay) {
  ServiceDouble service(R"({"routes": [{"path": "/", "body": "up"}, {"path": "/f/x.dll", "body": "MZ"}]})");
  UseService(service);
  std::wstring proposed;
  SetInstallFolderChooser([&](const std::wstring&, const std::wstring& initial, std::wstring& chosen) {
    proposed = initial;
    chosen = L"C:\\tools";
    return TRUE;
  });
  fs::create_directories(prefix.hostPath(L"C:\\tools"));
  ASSERT_TRUE(InstallDlls(Record(L"own.dll", L"32", 1, mx::Utf8ToWide(service.url()) + L"/f/x.dll"), {}, {}, TRUE));
  EXPECT_EQ(mx::ToLower(proposed), L"c:\\windows\\syswow64");
  EXPECT_EQ(Content(L"C:\\tools\\own.dll"), "MZ");
}

TEST_F(DllFinder32Test, OnA32BitPrefixEveryVersionGoesToSystem32) {
  ServiceDouble service(R"({"routes": [{"path": "/", "body": "up"}, {"path": "/f/x.dll", "body": "MZ"}]})");
  UseService(service);
  ASSERT_TRUE(InstallDlls(Record(L"x.dll", L"32", 1, mx::Utf8ToWide(service.url()) + L"/f/x.dll"), {}, {}, FALSE));
  EXPECT_EQ(Content(L"C:\\windows\\system32\\x.dll"), "MZ");
}

TEST_F(DllFinderTest, FeedbackQueryIsExactAndEncoded) {
  ServiceDouble service(R"({"routes": [{"path": "/searchfiles/logFeedback.php", "body": "ok"}]})");
  UseService(service);
  prefix.import32(LR"([HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"DLLFILENAME"="  a&b.dll "
)");
  prefix.import(LR"([HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0]
"FEEDBACKMD5"="m1:m2"
"PathInstalled"="C:\\windows\\system32\\a&b.dll"
)");
  SendDllFixFeedback(FALSE);
  EXPECT_TRUE(answers.answers.texts().empty());
  SendDllFixFeedback(TRUE);
  EXPECT_EQ(answers.answers.texts(), std::vector<std::wstring>{GetLocalizedString(L"IDS_THANKS")});
  const auto log = service.requests();
  ASSERT_EQ(log.size(), 2u);
  std::string got = log[0].query;
  EXPECT_EQ(got.rfind("success=0&", 0), 0u) << got;
  EXPECT_EQ(log[1].query.rfind("success=1&", 0), 0u);
  got = got.substr(10);
  // The version numbers are the prefix's; the rest is fixed.
  const size_t major = got.find("&majorver="), product = got.find("&producttype=");
  ASSERT_NE(major, std::string::npos);
  EXPECT_EQ(got.substr(0, major), "filename=a%26b.dll&md5=m1%3Am2");
  EXPECT_EQ(got.substr(product), "&producttype=1&architecturetype=9&langid=en&path=C%3A%5Cwindows%5Csystem32%5Ca%26b.dll");
}
