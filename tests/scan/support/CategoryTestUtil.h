#pragma once
// #include "scan/support/CategoryTestUtil.h"
// Running one scan category on the current prefix the way the scan worker runs it, with the settings and
// key lists a test chooses:
//
//   mxtest::TestPrefix prefix(mxtest::Arch::Win64);
//   prefix.import(LR"(...)");
//   mxtest::ScanSettings settings;
//   settings.excludeList = {L"Software\\Qzx"};
//   std::vector<CProblem> problems = mxtest::ScanCategory<CStartup>(settings);
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/WinTypes.h"
#include "scan/Category.h"
#include "scan/Problem.h"

class CZUNApp;

namespace mxtest {

struct ScanSettings {
  bool skipEmptyKeys = false;        // the SetChkSkipEmptyKeys setting (the program's default is on)
  bool removableMediaValid = true;   // the SetChkREmovableMedia setting
  bool admin = true;                 // whether the user is an administrator
  std::vector<std::wstring> excludeList;  // the user's exclusion list
  std::vector<std::wstring> tempList;     // entries left behind by earlier repairs
};

// Applies the settings, the lists and the administrator switch for its lifetime and puts the previous ones
// back afterwards. Makes an application object when the test has none.
class ScanSettingsScope {
 public:
  explicit ScanSettingsScope(const ScanSettings& settings);
  ~ScanSettingsScope();
  ScanSettingsScope(const ScanSettingsScope&) = delete;
  ScanSettingsScope& operator=(const ScanSettingsScope&) = delete;

  CZUNApp& app() { return *app_; }

 private:
  std::unique_ptr<CZUNApp> ownedApp_;
  CZUNApp* app_ = nullptr;
  DWORD skipEmptyKeys_ = 0;
  DWORD removableMedia_ = 0;
  bool admin_ = true;
  std::vector<std::wstring> excludeList_;
  std::vector<std::wstring> tempList_;
};

// Runs category.Scan() under the settings with file-system redirection off (as the scan worker does) and
// returns copies of the problems it recorded, in the category's final order. scanResult receives Scan's
// result when given.
std::vector<CProblem> RunCategoryScan(CCategory& category, const ScanSettings& settings = {},
                                      int* scanResult = nullptr);

template <class Category>
std::vector<CProblem> ScanCategory(const ScanSettings& settings = {}, int* scanResult = nullptr) {
  Category category;
  return RunCategoryScan(category, settings, scanResult);
}

// A category whose Scan runs a function of the test: lets a test drive the framework's helpers
// (CheckEmptyKey, AddProblem, IsFileReferenceValid) as a real category would.
class StubCategory : public CCategory {
 public:
  template <class F>
  explicit StubCategory(F&& body) : body_(std::forward<F>(body)) {}
  StubCategory() = default;
  int Scan() override { return body_ ? body_(*this) : 1; }
  int GetItemCount() override { return 1; }

  std::function<int(StubCategory&)> body_;
};

}  // namespace mxtest
