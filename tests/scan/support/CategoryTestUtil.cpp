#include "scan/support/CategoryTestUtil.h"

#include "app/AppSettings.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "platform/registry/RegistryControl.h"

namespace mxtest {

ScanSettingsScope::ScanSettingsScope(const ScanSettings& settings) {
  app_ = AfxGetZunApp();
  if (!app_) {
    ownedApp_ = std::make_unique<CZUNApp>();
    app_ = ownedApp_.get();
  }
  skipEmptyKeys_ = SetChkSkipEmptyKeys;
  removableMedia_ = SetChkREmovableMedia;
  admin_ = mx::reg::UserIsAdmin();
  excludeList_ = app_->m_arrExcludeList;
  tempList_ = app_->m_arrTempList;

  SetChkSkipEmptyKeys = settings.skipEmptyKeys ? 1 : 0;
  SetChkREmovableMedia = settings.removableMediaValid ? 1 : 0;
  mx::reg::SetUserIsAdmin(settings.admin);
  app_->m_arrExcludeList = settings.excludeList;
  app_->m_arrTempList = settings.tempList;
}

ScanSettingsScope::~ScanSettingsScope() {
  SetChkSkipEmptyKeys = skipEmptyKeys_;
  SetChkREmovableMedia = removableMedia_;
  mx::reg::SetUserIsAdmin(admin_);
  app_->m_arrExcludeList = excludeList_;
  app_->m_arrTempList = tempList_;
}

std::vector<CProblem> RunCategoryScan(CCategory& category, const ScanSettings& settings, int* scanResult) {
  ScanSettingsScope scope(settings);
  void* redirection = nullptr;
  const BOOL redirected = DisableWow64Redirection(&redirection);
  const int result = category.Scan();
  if (redirected) RevertWow64Redirection(redirection);
  if (scanResult) *scanResult = result;
  std::vector<CProblem> problems;
  problems.reserve(category.m_arrProblems.size());
  for (const auto& problem : category.m_arrProblems) problems.push_back(*problem);
  return problems;
}

}  // namespace mxtest
