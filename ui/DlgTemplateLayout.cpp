#include "ui/DlgTemplateLayout.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "app/DrawingUtils.h"
#include "platform/gdi/DialogTemplate.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "ui/InputApi.h"

namespace {

constexpr DWORD kSetFont = 0x40;  // DS_SETFONT

// Little-endian reads that fail instead of running past the resource.
class TemplateReader {
 public:
  explicit TemplateReader(std::span<const BYTE> bytes) : bytes_(bytes) {}
  std::optional<WORD> Word(size_t at) const {
    if (at + 2 > bytes_.size()) return std::nullopt;
    return static_cast<WORD>(bytes_[at] | (bytes_[at + 1] << 8));
  }
  std::optional<DWORD> Dword(size_t at) const {
    auto lo = Word(at), hi = Word(at + 2);
    if (!lo || !hi) return std::nullopt;
    return static_cast<DWORD>(*lo | (static_cast<DWORD>(*hi) << 16));
  }
  std::optional<BYTE> Byte(size_t at) const {
    if (at >= bytes_.size()) return std::nullopt;
    return bytes_[at];
  }
  // A zero-terminated UTF-16 string at *at; *at moves past it.
  std::optional<std::wstring> String(size_t* at) const {
    std::wstring s;
    for (;;) {
      auto w = Word(*at);
      if (!w) return std::nullopt;
      *at += 2;
      if (*w == 0) return s;
      s.push_back(static_cast<wchar_t>(*w));
    }
  }
  // A menu, class or title field: 0 (none), 0xFFFF and an ordinal, or a string. Returns whether one was
  // present.
  std::optional<bool> SkipNameOrOrdinal(size_t* at) const {
    auto w = Word(*at);
    if (!w) return std::nullopt;
    if (*w == 0) {
      *at += 2;
      return false;
    }
    if (*w == 0xFFFF) {
      if (!Word(*at + 2)) return std::nullopt;
      *at += 4;
      return true;
    }
    if (!String(at)) return std::nullopt;
    return true;
  }
  size_t size() const { return bytes_.size(); }

 private:
  std::span<const BYTE> bytes_;
};

struct HeaderFont {
  int points = 8;
  int weight = 400;
  BYTE italic = 0;
  std::wstring face = L"Tahoma";
};

struct Header {
  DWORD style = 0;
  DWORD exStyle = 0;
  bool hasMenu = false;
  WORD items = 0;
  WORD cx = 0, cy = 0;
  HeaderFont font;
  size_t firstItem = 0;
};

size_t Align4(size_t at) { return (at + 3) & ~static_cast<size_t>(3); }

std::optional<Header> ReadHeader(const TemplateReader& r) {
  Header h;
  auto ver = r.Word(0), sig = r.Word(2);
  if (!ver || !sig) return std::nullopt;
  const bool extended = *ver == 1 && *sig == 0xFFFF;
  auto style = r.Dword(extended ? 12 : 0);
  if (!style) return std::nullopt;
  h.style = *style;
  // sizes and items are read at the extended offsets whatever the template is
  auto exStyle = r.Dword(8);
  auto items = r.Word(16), cx = r.Word(22), cy = r.Word(24);
  if (!exStyle || !items || !cx || !cy) return std::nullopt;
  h.exStyle = *exStyle;
  h.items = *items;
  h.cx = *cx;
  h.cy = *cy;
  size_t at = extended ? 26 : 18;
  auto menu = r.SkipNameOrOrdinal(&at);
  if (!menu || !r.SkipNameOrOrdinal(&at) || !r.String(&at)) return std::nullopt;
  h.hasMenu = *menu;
  if (h.style & kSetFont) {
    auto points = r.Word(at);
    if (!points) return std::nullopt;
    at += 2;
    h.font.points = *points > 0x7FFF ? 0x10000 - *points : *points;
    h.font.weight = 0;
    if (extended) {
      auto weight = r.Word(at);
      auto italic = r.Byte(at + 2);
      if (!weight || !italic || !r.Byte(at + 3)) return std::nullopt;
      h.font.weight = *weight;
      h.font.italic = *italic;
      at += 4;
    }
    auto face = r.String(&at);
    if (!face) return std::nullopt;
    h.font.face = *face;
  }
  h.firstItem = Align4(at);
  return h;
}

struct Item {
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
};

// The item at *at; *at moves to the next one.
std::optional<Item> ReadItem(const TemplateReader& r, size_t* at) {
  auto x = r.Word(*at + 12), y = r.Word(*at + 14), cx = r.Word(*at + 16), cy = r.Word(*at + 18);
  auto id = r.Dword(*at + 20);
  if (!x || !y || !cx || !cy || !id) return std::nullopt;
  size_t next = *at + 24;
  if (!r.SkipNameOrOrdinal(&next) || !r.SkipNameOrOrdinal(&next)) return std::nullopt;
  auto extra = r.Word(next);
  if (!extra) return std::nullopt;
  next += 2 + *extra;
  *at = Align4(next);
  return Item{static_cast<short>(*x), static_cast<short>(*y), static_cast<short>(*cx), static_cast<short>(*cy), *id};
}

std::optional<std::span<const BYTE>> LockTemplate(HINSTANCE module, UINT id) {
  HRSRC res = win::FindResource(module, id, RT_DIALOG);
  if (!res) return std::nullopt;
  const void* data = win::LockResource(win::LoadResource(module, res));
  const DWORD size = win::SizeofResource(module, res);
  if (!data || size == 0) return std::nullopt;
  return std::span<const BYTE>(static_cast<const BYTE*>(data), size);
}

// The dialog's child with the item's id, searched from start (inclusive) down the z-order.
HWND FindFrom(HWND start, DWORD id) {
  for (HWND w = start; w; w = win::GetWindow(w, GW_HWNDNEXT))
    if (static_cast<DWORD>(win::GetDlgCtrlID(w)) == id) return w;
  return nullptr;
}

// Calls f(window, item) for each template item whose control is found in order; stops at the first one
// that is not.
template <class F>
void WalkItems(const TemplateReader& r, const Header& h, HWND dialog, F f) {
  size_t at = h.firstItem;
  HWND previous = nullptr;
  for (WORD i = 0; i < h.items; ++i) {
    auto item = ReadItem(r, &at);
    if (!item) return;
    HWND start = previous ? win::GetWindow(previous, GW_HWNDNEXT) : win::GetWindow(dialog, GW_CHILD);
    HWND control = FindFrom(start, item->id);
    if (!control) return;
    f(control, *item);
    previous = control;
  }
}

int Scale(int units, int base, double factor) { return static_cast<int>(units * base * factor + 0.5); }

}  // namespace

BOOL CDlgTemplateLayout::Apply(HINSTANCE module, HWND dialog, UINT templateId, double dpi) {
  if (m_hDialog) Restore();
  auto bytes = LockTemplate(module, templateId);
  if (!bytes || !win::IsWindow(dialog)) return FALSE;
  TemplateReader reader(*bytes);
  auto header = ReadHeader(reader);
  if (!header) return FALSE;
  m_hInstance = module;
  m_nTemplateId = templateId & 0xFFFF;
  m_hDialog = dialog;

  const HeaderFont& f = header->font;
  m_hFont = win::CreateFont(-static_cast<int>(f.points * dpi / 72 + 0.5), 0, 0, 0, f.weight, f.italic, FALSE, FALSE,
                            DEFAULT_CHARSET, 0, 0, 0, 0, f.face.c_str());
  m_hOldFont = reinterpret_cast<HFONT>(win::SendMessage(dialog, WM_GETFONT, 0, 0));
  win::SendMessage(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), TRUE);

  int baseX = 0, baseY = 0;
  {
    PAINTSTRUCT ps;
    HDC dc = win::BeginPaint(dialog, &ps);
    HGDIOBJ old = win::SelectObject(dc, m_hFont);
    TEXTMETRICW tm{};
    win::GetTextMetrics(dc, &tm);
    SIZE sample{};
    static const wchar_t kSample[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    win::GetTextExtentPoint32(dc, kSample, 52, &sample);
    baseX = (sample.cx / 26 + 1) / 2;
    baseY = tm.tmHeight;
    win::SelectObject(dc, old);
    win::EndPaint(dialog, &ps);
  }

  RECT rc{0, 0, Scale(header->cx, baseX, 0.25), Scale(header->cy, baseY, 0.125)};
  RECT current{};
  win::GetClientRect(dialog, &current);
  POINT corners[2] = {{current.left, current.top}, {current.left + rc.right, current.top + rc.bottom}};
  win::ClientToScreen(dialog, &corners[0]);
  win::ClientToScreen(dialog, &corners[1]);
  rc = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  win::AdjustWindowRectEx(&rc, header->style, header->hasMenu, header->exStyle);
  // A child dialog (a page) is placed in its parent's coordinates; screen coordinates would move it away.
  HWND parent = win::GetParent(dialog);
  if ((win::GetWindowLong(dialog, GWL_STYLE) & WS_CHILD) && parent)
    win::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
  win::MoveWindow(dialog, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);

  WalkItems(reader, *header, dialog, [&](HWND control, const Item& item) {
    win::MoveWindow(control, Scale(item.x, baseX, 0.25), Scale(item.y, baseY, 0.125), Scale(item.cx, baseX, 0.25),
                    Scale(item.cy, baseY, 0.125), TRUE);
    win::SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), TRUE);
  });
  return TRUE;
}

void CDlgTemplateLayout::Restore() {
  if (!m_hDialog) return;
  if (win::IsWindow(m_hDialog)) {
    win::SendMessage(m_hDialog, WM_SETFONT, reinterpret_cast<WPARAM>(m_hOldFont), TRUE);
    if (auto bytes = LockTemplate(m_hInstance, m_nTemplateId)) {
      TemplateReader reader(*bytes);
      if (auto header = ReadHeader(reader)) {
        WalkItems(reader, *header, m_hDialog, [&](HWND control, const Item&) {
          win::SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_hOldFont), TRUE);
        });
      }
    }
  }
  if (m_hFont) win::DeleteObject(m_hFont);
  m_hDialog = nullptr;
  m_hFont = nullptr;
  m_hOldFont = nullptr;
}

namespace {

constexpr double kScaleX = 1.5016077;
constexpr double kScaleY = 1.62378;

}  // namespace

void MoveDlgItemScaled(HWND dialog, int id, double x, double y, double width, double height) {
  HWND control = win::GetDlgItem(dialog, id);
  if (!control) return;
  const double values[] = {std::ceil(x * kScaleX), std::ceil(y * kScaleY), std::ceil(width * kScaleX),
                           std::ceil(height * kScaleY)};
  int v[4];
  for (int i = 0; i < 4; ++i) {
    // a value no window coordinate can hold ends the move silently
    if (!std::isfinite(values[i]) || std::fabs(values[i]) > 1e9) return;
    v[i] = static_cast<int>(values[i]);
  }
  win::MoveWindow(control, v[0], v[1], v[2], v[3], TRUE);
}

void MoveDlgItemScaledToText(HWND dialog, int id, double x, double y, double height) {
  HWND control = win::GetDlgItem(dialog, id);
  if (!control) return;
  // the control's own caption in the user-interface font, plus the fit margin
  const int width = GetTextFitWidth(nullptr, control, L"", 0);
  MoveDlgItemScaled(dialog, id, x, y, width, height);
}
