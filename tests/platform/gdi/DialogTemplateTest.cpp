#include <gtest/gtest.h>

#include <filesystem>

#include "platform/gdi/DialogTemplate.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/Wnd.h"
#include "tests/platform/gdi/ControlTestWindow.h"

namespace {

WORD W(const std::vector<BYTE>& b, size_t at) { return static_cast<WORD>(b.at(at) | (b.at(at + 1) << 8)); }
DWORD D(const std::vector<BYTE>& b, size_t at) { return W(b, at) | (static_cast<DWORD>(W(b, at + 2)) << 16); }

}  // namespace

// The byte layout layout code reads: header fields and the first item at their extended-template offsets.
TEST(DialogTemplate, CompilesToTheExtendedBinaryLayout) {
  auto bytes = gdi::LoadDialogTemplate(412);
  ASSERT_TRUE(bytes);
  const auto& b = *bytes;
  EXPECT_EQ(W(b, 0), 1);
  EXPECT_EQ(W(b, 2), 0xFFFF);
  EXPECT_TRUE(D(b, 12) & DS_SETFONT);
  EXPECT_EQ(W(b, 16), 21);
  EXPECT_EQ(W(b, 22), 427);
  EXPECT_EQ(W(b, 24), 198);
  // variable part: no menu, no class, empty title, then 9 points, weight, italic, charset, "Arial"
  size_t at = 26;
  EXPECT_EQ(W(b, at), 0);
  EXPECT_EQ(W(b, at + 2), 0);
  EXPECT_EQ(W(b, at + 4), 0);
  EXPECT_EQ(W(b, at + 6), 9);
  EXPECT_EQ(W(b, at + 8), 400);
  at += 12;
  std::wstring face;
  while (W(b, at)) face.push_back(W(b, at)), at += 2;
  EXPECT_EQ(face, L"Arial");
  at = (at + 2 + 3) & ~size_t(3);
  EXPECT_EQ(W(b, at + 12), 59);
  EXPECT_EQ(W(b, at + 14), 24);
  EXPECT_EQ(W(b, at + 16), 142);
  EXPECT_EQ(D(b, at + 20), 289u);
  EXPECT_EQ(W(b, at + 24), 0xFFFF);
  EXPECT_EQ(W(b, at + 26), 0x0080) << "Button as an ordinal";
  EXPECT_EQ(D(b, at + 8) & BS_TYPEMASK, BS_3STATE);

  auto bare = gdi::ParseDialogText("DIALOG 0 0 10 20\nSTYLE WS_POPUP\n");
  ASSERT_TRUE(bare);
  auto bareBytes = gdi::EncodeDialogTemplate(*bare);
  EXPECT_FALSE(D(bareBytes, 12) & DS_SETFONT);
  EXPECT_EQ(bareBytes.size(), 32u) << "no font part without DS_SETFONT";
}

TEST(DialogTemplate, EveryResourceTemplateRoundTrips) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(MX_SOURCE_DIR "/res/dialogs")) {
    UINT id = static_cast<UINT>(std::stoul(entry.path().stem().string()));
    auto bytes = gdi::LoadDialogTemplate(id);
    ASSERT_TRUE(bytes) << id;
    auto decoded = gdi::DecodeDialogTemplate(*bytes);
    ASSERT_TRUE(decoded) << id;
    EXPECT_EQ(gdi::EncodeDialogTemplate(*decoded), *bytes) << id;
    ++count;
  }
  EXPECT_GE(count, 9);
  HRSRC res = win::FindResource(nullptr, 406, RT_DIALOG);
  ASSERT_NE(res, nullptr);
  EXPECT_GT(win::SizeofResource(nullptr, res), 26u);
  const auto* locked = static_cast<const BYTE*>(win::LockResource(win::LoadResource(nullptr, res)));
  ASSERT_NE(locked, nullptr);
  EXPECT_EQ(W(std::vector<BYTE>(locked, locked + 4), 2), 0xFFFF);
  EXPECT_EQ(win::FindResource(nullptr, 9999, RT_DIALOG), nullptr);
  EXPECT_FALSE(gdi::DecodeDialogTemplate({}));
}

TEST(DialogTemplate, MalformedTextIsRefusedWithTheLine) {
  const char* kBad[] = {
      "STYLE WS_POPUP\n",                                   // no DIALOG
      "DIALOG 0 0 10\n",                                    // three numbers
      "DIALOG 0 0 10 99999\n",                              // out of range
      "DIALOG 0 0 10 10\nSTYLE WS_NOPE\n",                  // unknown style
      "DIALOG 0 0 10 10\nCAPTION \"open\n",                 // unterminated text
      "DIALOG 0 0 10 10\nCONTROL 70000 Button \"x\" 1 1 1 1 0\n",
      "DIALOG 0 0 10 10\nCONTROL 1 Button \"x\" 1 1 1 0\n",  // missing style
      "DIALOG 0 0 10 10\nFONT 0 \"Arial\"\n",
      "DIALOG 0 0 10 10\nWHATEVER\n",
  };
  for (const char* text : kBad) {
    std::string why;
    EXPECT_FALSE(gdi::ParseDialogText(text, &why)) << text;
    EXPECT_NE(why.find("line "), std::string::npos) << text;
  }
  std::vector<BYTE> cut = *gdi::LoadDialogTemplate(412);
  cut.resize(cut.size() / 2);
  EXPECT_FALSE(gdi::DecodeDialogTemplate(cut)) << "a template cut short";
}

TEST(DialogTemplate, ControlsAreCreatedInTemplateZOrder) {
  gditest::TestWindow w(600, 400);
  auto t = gdi::DecodeDialogTemplate(*gdi::LoadDialogTemplate(412));
  ASSERT_TRUE(t);
  EXPECT_EQ(gdi::CreateTemplateControls(w.hwnd(), *t, 6, 15), 21);
  HWND c = win::GetWindow(w.hwnd(), GW_CHILD);
  for (const auto& item : t->items) {
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(static_cast<DWORD>(win::GetDlgCtrlID(c)), item.id);
    c = win::GetWindow(c, GW_HWNDNEXT);
  }
  RECT r{};
  win::GetWindowRect(win::GetDlgItem(w.hwnd(), 289), &r);
  EXPECT_EQ(r.right - r.left, 142 * 6 / 4);
  EXPECT_EQ(r.bottom - r.top, 10 * 15 / 8);
}

namespace {
class RecordingDialog : public win::CWnd {
 public:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_INITDIALOG) {
      childrenAtInit = 0;
      for (HWND c = win::GetWindow(m_hWnd, GW_CHILD); c; c = win::GetWindow(c, GW_HWNDNEXT)) ++childrenAtInit;
      focus = reinterpret_cast<HWND>(wParam);
      param = lParam;
      return TRUE;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
  }
  int childrenAtInit = -1;
  HWND focus = nullptr;
  LPARAM param = 0;
};
}  // namespace

// The add-entry dialog: Arial 8, 258 x 151 dialog units.
TEST(DialogTemplate, DialogsAreMadeInDialogUnitsOfTheirFont) {
  RecordingDialog dialog;
  HWND h = gdi::CreateDialogFromTemplate(376, nullptr, &dialog, 42);
  ASSERT_NE(h, nullptr);
  auto t = gdi::DecodeDialogTemplate(*gdi::LoadDialogTemplate(376));
  SIZE base = gdi::DialogBaseUnits(gdi::TemplateFont(*t));
  EXPECT_GT(base.cx, 0);
  RECT rc{};
  win::GetClientRect(h, &rc);
  EXPECT_EQ(rc.right, 258 * base.cx / 4);
  EXPECT_EQ(rc.bottom, 151 * base.cy / 8);
  EXPECT_EQ(dialog.childrenAtInit, static_cast<int>(t->items.size())) << "controls exist before WM_INITDIALOG";
  EXPECT_EQ(dialog.focus, win::GetDlgItem(h, 306)) << "the first tab stop";
  EXPECT_EQ(dialog.param, 42);
  RECT combo{};
  win::GetWindowRect(win::GetDlgItem(h, 306), &combo);
  EXPECT_LT(combo.bottom - combo.top, 30) << "a drop-down list shows only its field; the rest is the list's";
  EXPECT_EQ(win::SendMessage(win::GetDlgItem(h, 311), WM_GETFONT, 0, 0),
            reinterpret_cast<LRESULT>(gdi::TemplateFont(*t)));
  LOGFONTW lf;
  win::GetObject(gdi::TemplateFont(*t), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -11) << "8 points at 96 DPI";

  // without DS_SETFONT: 8-point Tahoma
  auto bare = gdi::ParseDialogText("DIALOG 0 0 10 10\n");
  win::GetObject(gdi::TemplateFont(*bare), sizeof lf, &lf);
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Tahoma");
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_EQ(gdi::CreateDialogFromTemplate(9999, nullptr), nullptr);
}
