#include "scan/ProblemTexts.h"

#include <gtest/gtest.h>

#include "app/CategoryTexts.h"
#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/system/Module.h"
#include "platform/system/Wow64Redirection.h"
#include "platform/win/MessageBox.h"
#include "scan/support/RecordingWindow.h"
#include "support/TestPrefix.h"

using namespace enginetest;

namespace {

CProblem Filled(int type, const std::wstring& valueName = L"N") {
  CProblem problem;
  problem.EntryType = type;
  problem.Key = L"K";
  problem.ValueName = valueName;
  problem.ValueData = L"V";
  problem.m_arrDetails = {L"d0", L"d1", L"d2", L"d3"};
  return problem;
}

class ProblemTextsTest : public ::testing::Test {
 protected:
  ProblemTextsTest() : savedDescriptions(g_arrProblemDescriptions), savedDetails(g_arrProblemDetails) {}
  ~ProblemTextsTest() override {
    g_arrProblemDescriptions = savedDescriptions;
    g_arrProblemDetails = savedDetails;
  }
  std::vector<std::wstring> savedDescriptions, savedDetails;
};

}  // namespace

TEST_F(ProblemTextsTest, FillsEachTypesTemplateWithItsFieldsInOrder) {
  // Three placeholders everywhere: the ones a type does not fill stay as they are.
  g_arrProblemDescriptions.assign(kProblemTypeCount, L"<%s|%s|%s>");
  g_arrProblemDetails.assign(kProblemTypeCount, L"<%s|%s|%s>");
  struct Case {
    int type;
    const wchar_t* valueName;
    const wchar_t* description;
    const wchar_t* detail;
  };
  const Case cases[] = {
      {0, L"N", L"<d1|V|%s>", L"<K|d1|V>"},
      {1, L"N", L"<d1|%s|%s>", L"<d1|K|%s>"},
      {4, L"N", L"<K|%s|%s>", L"<K|%s|%s>"},
      {5, L"N", L"<d2|%s|%s>", L"<K|d1|%s>"},
      {7, L"N", L"<V|d1|%s>", L"<K|V|%s>"},
      {13, L"N", L"<V|d0|%s>", L"<K|d0|V>"},
      {14, L"N", L"<%s|%s|%s>", L"<K|%s|%s>"},
      {15, L"N", L"<d0|V|%s>", L"<K|d2|%s>"},
      {21, L"N", L"<d1|V|%s>", L"<V|K|%s>"},
      {22, L"N", L"<d1|%s|%s>", L"<K|d2|d1>"},
      {24, L"N", L"<V|%s|%s>", L"<N|K|%s>"},
      {28, L"N", L"<d1|%s|%s>", L"<d2|V|K>"},
      {29, L"N", L"<d2|%s|%s>", L"<d1|%s|%s>"},
      {34, L"N", L"<d2|d2|%s>", L"<d2|d2|%s>"},
      {40, L"N", L"<d3|d2|%s>", L"<d1|d2|%s>"},
      {41, L"N", L"<V|%s|%s>", L"<N|K|V>"},
      {42, L"N", L"<N|K|V>", L"<N|K|V>"},
      {42, L"", L"<DEFAULT|K|V>", L"<|K|V>"},
      {43, L"", L"<DEFAULT|K|V>", L"<|K|V>"},
  };
  for (const Case& c : cases) {
    const CProblem problem = Filled(c.type, c.valueName);
    EXPECT_EQ(GetProblemDescription(&problem), c.description) << "type " << c.type;
    EXPECT_EQ(GetProblemDetailText(&problem), c.detail) << "type " << c.type;
  }

  CProblem fewDetails = Filled(40);
  fewDetails.m_arrDetails = {L"d0"};
  EXPECT_EQ(GetProblemDescription(&fewDetails), L"<||%s>") << "missing details are empty texts";
}

TEST_F(ProblemTextsTest, GivesEmptyTextsForNoProblemAnUnknownTypeOrNoTemplates) {
  g_arrProblemDescriptions.assign(kProblemTypeCount, L"x %s");
  g_arrProblemDetails.assign(kProblemTypeCount, L"y %s");
  EXPECT_EQ(GetProblemDescription(nullptr), L"");
  EXPECT_EQ(GetProblemDetailText(nullptr), L"");
  for (int type : {-1, 44, 1000}) {
    const CProblem problem = Filled(type);
    EXPECT_EQ(GetProblemDescription(&problem), L"") << type;
    EXPECT_EQ(GetProblemDetailText(&problem), L"") << type;
  }
  g_arrProblemDescriptions.clear();
  g_arrProblemDetails.clear();
  const CProblem problem = Filled(41);
  EXPECT_EQ(GetProblemDescription(&problem), L"");
  EXPECT_EQ(GetProblemDetailText(&problem), L"");
}

TEST_F(ProblemTextsTest, EveryEnglishTemplateIsFilledCompletely) {
  mxtest::TestPrefix prefix;
  ResetIniCache();
  InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
  LoadCategoryStrings();
  for (int type = 0; type < kProblemTypeCount; ++type) {
    const CProblem problem = Filled(type);
    const std::wstring description = GetProblemDescription(&problem);
    const std::wstring detail = GetProblemDetailText(&problem);
    EXPECT_FALSE(description.empty()) << type;
    EXPECT_EQ(description.find(L'%'), std::wstring::npos) << type << ": " << mx::WideToUtf8(description);
    EXPECT_EQ(detail.find(L'%'), std::wstring::npos) << type << ": " << mx::WideToUtf8(detail);
  }
  ResetLanguageReader();
  ResetIniCache();
}

namespace {

// A registry editor of this process: a main window with the tree and list views, recording every key.
struct FakeEditor {
  explicit FakeEditor(EventLog* log)
      : main(L"RegEdit_RegEdit", log, "editor"),
        tree(L"SysTreeView32", log, "tree", main.m_hWnd),
        list(L"SysListView32", log, "list", main.m_hWnd) {}
  RecordingWindow main, tree, list;
};

std::vector<std::string> Typed(const std::string& control, const std::string& text, bool backslashExpands) {
  std::vector<std::string> keys = {control + " 0x100 0x24 0x0"};
  for (char c : text)
    keys.push_back(backslashExpands && c == '\\' ? control + " 0x100 0x27 0x0"
                                                 : control + " 0x102 " + Hex(static_cast<unsigned char>(c)) + " 0x0");
  return keys;
}

class RegeditJumpTest : public ::testing::Test {
 protected:
  RegeditJumpTest() {
    mx::SetClock(&clock);
    prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx]
"Val"="1"
)");
    prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx32]
)");
  }
  ~RegeditJumpTest() override {
    SetRegeditLauncher(nullptr);
    mx::SetClock(nullptr);
  }
  // A launcher that opens the fake editor and notes the thread's redirection at the time.
  void UseFakeEditor() {
    SetRegeditLauncher([this] {
      launchedRedirected = mx::IsFsRedirectionActive();
      editor = std::make_unique<FakeEditor>(&log);
      return true;
    });
  }

  mx::FakeClock clock;
  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
  win::ScopedAnswers answers;
  EventLog log;
  std::unique_ptr<FakeEditor> editor;
  bool launchedRedirected = true;
};

}  // namespace

TEST_F(RegeditJumpTest, TypesTheLowerCasedKeyIntoTheTreeAndTheValueTwiceIntoTheList) {
  UseFakeEditor();
  EXPECT_TRUE(OpenKeyInRegedit(L"HKEY_LOCAL_MACHINE\\Software\\Qzx", L"Val", true));
  PumpPending();
  std::vector<std::string> expected = Typed("tree", "hkey_local_machine\\software\\qzx", true);
  for (int i = 0; i < 2; ++i) {
    const auto value = Typed("list", "val", false);
    expected.insert(expected.end(), value.begin(), value.end());
  }
  EXPECT_EQ(log.Events(), expected);
  EXPECT_FALSE(launchedRedirected) << "the 64-bit editor is started with redirection off";
  EXPECT_TRUE(mx::IsFsRedirectionActive()) << "and it is back on afterwards";
  EXPECT_TRUE(answers.answers.records().empty());
}

TEST_F(RegeditJumpTest, OpensThe32BitViewForA32BitEntryAndLeavesRedirectionOn) {
  UseFakeEditor();
  EXPECT_FALSE(OpenKeyInRegedit(L"HKEY_LOCAL_MACHINE\\Software\\Qzx32", L"", true)) << "not in the 64-bit view";
  EXPECT_EQ(editor, nullptr);
  EXPECT_TRUE(OpenKeyInRegedit(L"HKEY_LOCAL_MACHINE\\Software\\Qzx32", L"", false));
  EXPECT_TRUE(launchedRedirected);
}

TEST_F(RegeditJumpTest, DoesNothingForAVanishedKeyAndSaysSoWhenNoEditorStarts) {
  UseFakeEditor();
  for (const wchar_t* key : {L"", L"HKEY_LOCAL_MACHINE", L"HKEY_LOCAL_MACHINE\\Software\\Gone", L"hkey_local_machine\\Software\\Qzx"})
    EXPECT_FALSE(OpenKeyInRegedit(key, L"", true)) << mx::WideToUtf8(key);
  EXPECT_EQ(editor, nullptr) << "no editor for a key that is not there";
  EXPECT_TRUE(answers.answers.records().empty());

  SetRegeditLauncher(nullptr);  // this system's editor has no window to drive
  EXPECT_FALSE(OpenKeyInRegedit(L"HKEY_LOCAL_MACHINE\\Software\\Qzx", L"Val", true));
  const auto prompts = answers.answers.records();
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].prompt.text, L"Can't run Regedit.");
  EXPECT_EQ(prompts[0].prompt.type & MB_ICONERROR, MB_ICONERROR);
}
