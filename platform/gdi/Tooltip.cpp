// "tooltips_class32": keeps its tools and their texts. Without a display nothing pops up; relayed mouse
// messages only record which tool the pointer is over, so tests can ask for the tip that would show.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/ControlCommon.h"

namespace gdi::controls {
namespace {

struct Tool {
  HWND hwnd = nullptr;
  std::uintptr_t id = 0;
  UINT flags = 0;
  std::wstring text;
};

struct TooltipState : ControlState {
  std::vector<Tool> tools;
  bool active = true;
  int current = -1;  // the tool the last relayed mouse message was over
};

Tool* FindTool(TooltipState& s, const TOOLINFOW* info) {
  for (auto& t : s.tools)
    if (t.hwnd == info->hwnd && t.id == info->uId) return &t;
  return nullptr;
}

LRESULT TooltipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommon<TooltipState>(hwnd, msg, wParam, lParam, &result)) return result;
  auto* s = StateOf<TooltipState>(hwnd);
  if (!s) return win::DefWindowProc(hwnd, msg, wParam, lParam);
  auto* info = reinterpret_cast<TOOLINFOW*>(lParam);
  switch (msg) {
    case TTM_ADDTOOLW: {
      if (!info) return FALSE;
      Tool t{info->hwnd, info->uId, info->uFlags, info->lpszText ? info->lpszText : L""};
      if (Tool* existing = FindTool(*s, info)) *existing = t;
      else s->tools.push_back(t);
      return TRUE;
    }
    case TTM_DELTOOLW:
      if (info)
        s->tools.erase(std::remove_if(s->tools.begin(), s->tools.end(),
                                      [&](const Tool& t) { return t.hwnd == info->hwnd && t.id == info->uId; }),
                       s->tools.end());
      return 0;
    case TTM_UPDATETIPTEXTW:
      if (info)
        if (Tool* t = FindTool(*s, info)) t->text = info->lpszText ? info->lpszText : L"";
      return 0;
    case TTM_GETTEXTW:
      if (info && info->lpszText)
        if (Tool* t = FindTool(*s, info)) {
          std::copy(t->text.begin(), t->text.end(), info->lpszText);
          info->lpszText[t->text.size()] = 0;
        }
      return 0;
    case TTM_GETTOOLCOUNT: return static_cast<LRESULT>(s->tools.size());
    case TTM_ACTIVATE: s->active = wParam != 0; return 0;
    case TTM_RELAYEVENT: {
      auto* m = reinterpret_cast<const MSG*>(lParam);
      if (!m || m->message < WM_MOUSEFIRST || m->message > WM_MOUSELAST) return 0;
      s->current = -1;
      for (size_t i = 0; i < s->tools.size(); ++i) {
        const Tool& t = s->tools[i];
        if ((t.flags & TTF_IDISHWND) ? reinterpret_cast<HWND>(t.id) == m->hwnd : t.hwnd == m->hwnd) {
          s->current = static_cast<int>(i);
          break;
        }
      }
      return 0;
    }
    case WM_PAINT: {
      ControlPaint paint(hwnd);  // nothing shows without a display; the paint only validates
      return 0;
    }
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

std::wstring ShownTooltip(HWND tooltip) {
  auto* s = StateOf<TooltipState>(tooltip);
  if (!s || !s->active || s->current < 0 || s->current >= static_cast<int>(s->tools.size())) return {};
  return s->tools[s->current].text;
}

void RegisterTooltipClass() { RegisterControlClass(TOOLTIPS_CLASS, TooltipProc); }

}  // namespace gdi::controls
