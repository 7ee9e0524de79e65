// Speed of a full backup and of its restore on the sample prefix, against the registry editor's own whole
// export and import of the same registry (the floor: the editor does the work). Prints the best of five
// runs of each and the ratios. The restore's fixed pauses before and after the import are passed over by
// the injected clock, so the figure is the work itself.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "app/AppPaths.h"
#include "app/LocalizedStrings.h"
#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/gdi/Images.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Module.h"
#include "platform/system/Process.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinApp.h"
#include "scan/support/EngineTestSupport.h"
#include "support/TestPrefix.h"
#include "tools/DlgRegBackupShow.h"
#include "ui/ModalOverlay.h"
#include "ui/UiTestWindows.h"

namespace {

using Clock = std::chrono::steady_clock;

double BestMs(int runs, const std::function<bool()>& once) {
  double best = 1e18;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    if (!once()) {
      std::fprintf(stderr, "a run failed\n");
      return -1;
    }
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return best;
}

// The registry editor started directly, as a user would start it, and waited for.
bool RunEditor(const std::wstring& arguments) {
  const std::wstring editor = L"C:\\windows\\regedit.exe";
  std::wstring commandLine = L"\"" + editor + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  mx::reg::FlushRegistry();
  if (!win::CreateProcess(editor.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info))
    return false;
  mx::ProcessPtr process(info.hProcess.get());
  DWORD code = 1;
  const bool ok = win::WaitForProcess(info.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                  win::GetExitCodeProcess(info.hProcess, &code) && code == 0;
  mx::reg::ReloadIfChanged();
  return ok;
}

}  // namespace

int main() {
  mx::FakeClock clock;
  mx::SetClock(&clock);
  int rc = 0;
  {
    mxtest::TestPrefix prefix = mxtest::TestPrefix::FromFixture();
    enginetest::AddDataFolder(prefix);
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    gdi::SetScreenSize(1024, 768);
    win::CWinApp app{L"Backup benchmark"};
    uitest::TestFrame main;
    main.Create(uitest::kEmptyPopup);
    main.MoveWindow(100, 40, 780, 600);
    main.ShowWindow(SW_SHOW);
    app.m_pMainWnd = &main;
    win::ScopedAnswers answers;
    const std::wstring folder = GetAppDataFolderPath();
    const std::wstring plain = folder + L"\\plain-export.reg";

    auto waitDialog = [&](BOOL restore, const std::wstring& file, std::wstring* written) {
      answers.answers.OnDialog(L"", [](HWND) -> std::optional<int> { return std::nullopt; });
      CDlgRegBackupShow dialog(&main);
      dialog.m_bRestore = restore;
      dialog.m_strFile = file;
      RunModalWithOverlay(&main, &dialog, IDD_REG_BACKUP_SHOW);
      if (written) *written = dialog.m_strFile;
      return dialog.m_nOutcome == CDlgRegBackupShow::kDone;
    };

    const double editorExport = BestMs(5, [&] { return RunEditor(L"/s /e \"" + plain + L"\""); });
    std::wstring backup;
    const double fullBackup = BestMs(5, [&] {
      if (!backup.empty()) win::DeleteFile(backup.c_str());
      return waitDialog(FALSE, L"", &backup);
    });
    const double editorImport = BestMs(5, [&] { return RunEditor(L"/s \"" + plain + L"\""); });
    const double fullRestore = BestMs(5, [&] { return waitDialog(TRUE, backup, nullptr); });

    std::printf("registry editor, whole export: %8.1f ms\n", editorExport);
    std::printf("full backup (wait dialog):     %8.1f ms   ratio %.2f (at most 3)\n", fullBackup,
                fullBackup / editorExport);
    std::printf("registry editor, import:       %8.1f ms\n", editorImport);
    std::printf("full restore (wait dialog):    %8.1f ms   ratio %.2f (at most 3)\n", fullRestore,
                fullRestore / editorImport);
    if (editorExport <= 0 || fullBackup <= 0 || editorImport <= 0 || fullRestore <= 0) rc = 1;
    app.m_pMainWnd = nullptr;
    ResetLanguageReader();
  }
  mx::SetClock(nullptr);
  return rc;
}
