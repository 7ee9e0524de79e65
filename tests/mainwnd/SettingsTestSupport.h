#pragma once
// What the settings tests share: a throw-away machine with the user's data folder, an application object, the
// English texts, the main window's screen area, a frame the settings window sits in, and scripted answers.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/AppSettings.h"
#include "app/ExclusionLists.h"
#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "app/AppTestPrefix.h"
#include "app/ZUNApp.h"
#include "mainwnd/SettingsPageParts.h"
#include "platform/registry/Registry.h"
#include "platform/system/Module.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "ui/AfxDialog.h"

namespace settingstest {

// The main window's screen area in a 770 x 593 window: width - 12 and height - 157.
inline constexpr int kScreenWidth = 758;
inline constexpr int kScreenHeight = 436;
// An empty pop-up template; the frame is sized after it is made.
inline constexpr UINT kEmptyPopup = 388;

inline void Pump() {
  MSG msg;
  while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) win::DispatchMessage(&msg);
}

inline void Click(HWND button) {
  win::SendMessage(button, BM_CLICK, 0, 0);
  Pump();
}

inline bool ReadDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD& out) {
  HKEY h = nullptr;
  if (win::RegOpenKeyEx(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  DWORD type = 0, size = sizeof out;
  LONG rc = win::RegQueryValueEx(h, name, nullptr, &type, reinterpret_cast<BYTE*>(&out), &size);
  win::RegCloseKey(h);
  return rc == ERROR_SUCCESS && type == REG_DWORD;
}

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    mx::SetProgramHostDir(std::filesystem::path(MX_SOURCE_DIR) / "res");
    ResetLanguageReader();
    ResetIniCache();
    ApplyDefaultSettings();
    g_nSettingsWidth = kScreenWidth;
    g_nSettingsHeight = kScreenHeight;
    EXPECT_TRUE(frame.Create(kEmptyPopup));
    frame.MoveWindow(0, 0, 770, 593);
  }
  ~SettingsTest() override {
    ResetLanguageReader();
    ResetIniCache();
    mx::SetProgramHostDir({});
  }

  // The language row's texts and fonts, as a program restarted in that language has them.
  void UseLanguage(int row) {
    wchar_t id[16];
    swprintf(id, 16, L"%08x", row);
    prefix.import(std::wstring(L"[HKEY_CURRENT_USER\\Software\\Tarvolen\\Mendrix\\Version 1.0\\LANG]\n\"LangID\"=dword:") +
                  id + L"\n");
    ResetLanguageReader();
    ResetIniCache();
    app->m_nLangID = row;
    BuildLanguageFilePath(app->m_strLangIniPath, app.get());
  }

  // Every message box text shown so far.
  std::vector<std::wstring> Shown() const { return answers.answers.texts(); }
  static std::wstring Text(const wchar_t* key) { return GetLocalizedString(key); }

  apptest::AppPrefix prefix;
  std::unique_ptr<CZUNApp> app = std::make_unique<CZUNApp>();
  win::ScopedAnswers answers;
  CDialog frame;
};

}  // namespace settingstest
