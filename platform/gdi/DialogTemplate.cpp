#include "platform/gdi/DialogTemplate.h"

#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <tuple>

#include "platform/base/Text.h"
#include "platform/gdi/Controls.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/Message.h"
#include "platform/win/Wnd.h"
#include "platform/gdi/ResourceTable.h"
#include "platform/win/Window.h"

namespace gdi {
namespace {

const std::map<std::string, DWORD>& StyleNames() {
  static const std::map<std::string, DWORD> names = {
      {"WS_POPUP", WS_POPUP}, {"WS_CHILD", WS_CHILD}, {"WS_VISIBLE", WS_VISIBLE}, {"WS_DISABLED", WS_DISABLED},
      {"WS_CLIPSIBLINGS", WS_CLIPSIBLINGS}, {"WS_CLIPCHILDREN", WS_CLIPCHILDREN}, {"WS_CAPTION", WS_CAPTION},
      {"WS_BORDER", WS_BORDER}, {"WS_VSCROLL", WS_VSCROLL}, {"WS_HSCROLL", WS_HSCROLL}, {"WS_SYSMENU", WS_SYSMENU},
      {"WS_GROUP", WS_GROUP}, {"WS_TABSTOP", WS_TABSTOP}, {"WS_MINIMIZEBOX", WS_MINIMIZEBOX},
      {"DS_SETFONT", DS_SETFONT}, {"DS_MODALFRAME", DS_MODALFRAME}, {"DS_CENTER", DS_CENTER},
      {"WS_EX_TOOLWINDOW", WS_EX_TOOLWINDOW}, {"WS_EX_TOPMOST", WS_EX_TOPMOST}, {"WS_EX_CLIENTEDGE", 0x200},
      {"WS_EX_STATICEDGE", 0x20000}, {"WS_EX_CONTROLPARENT", WS_EX_CONTROLPARENT},
      {"BS_PUSHBUTTON", BS_PUSHBUTTON}, {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON}, {"BS_CHECKBOX", BS_CHECKBOX},
      {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX}, {"BS_RADIOBUTTON", BS_RADIOBUTTON}, {"BS_3STATE", BS_3STATE},
      {"BS_AUTO3STATE", BS_AUTO3STATE}, {"BS_GROUPBOX", BS_GROUPBOX}, {"BS_AUTORADIOBUTTON", BS_AUTORADIOBUTTON},
      {"BS_OWNERDRAW", BS_OWNERDRAW}, {"BS_MULTILINE", BS_MULTILINE}, {"BS_NOTIFY", BS_NOTIFY},
      {"SS_LEFT", SS_LEFT}, {"SS_CENTER", SS_CENTER}, {"SS_RIGHT", SS_RIGHT}, {"SS_BITMAP", SS_BITMAP},
      {"SS_NOTIFY", SS_NOTIFY}, {"SS_CENTERIMAGE", SS_CENTERIMAGE}, {"SS_NOPREFIX", SS_NOPREFIX},
      {"ES_AUTOHSCROLL", ES_AUTOHSCROLL}, {"ES_NUMBER", ES_NUMBER}, {"ES_READONLY", ES_READONLY},
      {"ES_MULTILINE", ES_MULTILINE}, {"ES_PASSWORD", ES_PASSWORD},
      {"ES_AUTOVSCROLL", ES_AUTOVSCROLL}, {"ES_WANTRETURN", ES_WANTRETURN},
      {"CBS_DROPDOWN", CBS_DROPDOWN}, {"CBS_DROPDOWNLIST", CBS_DROPDOWNLIST}, {"CBS_SORT", CBS_SORT},
      {"LVS_REPORT", LVS_REPORT}, {"LVS_SINGLESEL", LVS_SINGLESEL}, {"LVS_SHOWSELALWAYS", LVS_SHOWSELALWAYS},
      {"LVS_OWNERDRAWFIXED", LVS_OWNERDRAWFIXED}, {"LVS_ALIGNLEFT", LVS_ALIGNLEFT},
      {"LVS_NOCOLUMNHEADER", LVS_NOCOLUMNHEADER}, {"LVS_NOSORTHEADER", 0x8000},
      {"PBS_SMOOTH", PBS_SMOOTH}, {"DTS_SHORTDATEFORMAT", DTS_SHORTDATEFORMAT}, {"DTS_TIMEFORMAT", DTS_TIMEFORMAT},
      {"DTS_UPDOWN", DTS_UPDOWN}};
  return names;
}

const std::map<std::wstring, WORD>& ClassOrdinals() {
  static const std::map<std::wstring, WORD> ordinals = {{L"Button", 0x80}, {L"Edit", 0x81}, {L"Static", 0x82},
                                                        {L"ListBox", 0x83}, {L"ScrollBar", 0x84}, {L"ComboBox", 0x85}};
  return ordinals;
}

// Splits a line into words; quoted texts stay one word (quotes removed, "" inside is one quote).
bool Words(const std::string& line, std::vector<std::string>* out, std::vector<bool>* quoted) {
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    if (line[i] == '"') {
      std::string word;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            word.push_back('"');
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        word.push_back(line[i++]);
      }
      if (!closed) return false;
      out->push_back(word);
      quoted->push_back(true);
    } else {
      size_t end = line.find_first_of(" \t\r", i);
      if (end == std::string::npos) end = line.size();
      out->push_back(line.substr(i, end - i));
      quoted->push_back(false);
      i = end;
    }
  }
  return true;
}

bool Number(const std::string& s, long* out) {
  try {
    size_t used = 0;
    long v = std::stol(s, &used, 0);
    if (used != s.size()) return false;
    *out = v;
    return true;
  } catch (...) {
    return false;
  }
}

// "WS_CHILD | WS_VISIBLE | 0x40" from words[from] onwards, up to the end or the next word after a non-'|'.
bool Styles(const std::vector<std::string>& words, size_t& at, DWORD* out) {
  DWORD v = 0;
  bool expectValue = true;
  for (; at < words.size(); ++at) {
    const std::string& w = words[at];
    if (w == "|") {
      if (expectValue) return false;
      expectValue = true;
      continue;
    }
    if (!expectValue) break;
    long n = 0;
    auto it = StyleNames().find(w);
    if (it != StyleNames().end()) v |= it->second;
    else if (Number(w, &n)) v |= static_cast<DWORD>(n);
    else return false;
    expectValue = false;
  }
  if (expectValue) return false;
  *out = v;
  return true;
}

void Put16(std::vector<BYTE>& b, WORD v) {
  b.push_back(static_cast<BYTE>(v & 0xFF));
  b.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(std::vector<BYTE>& b, DWORD v) {
  Put16(b, static_cast<WORD>(v & 0xFFFF));
  Put16(b, static_cast<WORD>(v >> 16));
}
void PutString(std::vector<BYTE>& b, const std::wstring& s) {
  for (wchar_t c : s) Put16(b, static_cast<WORD>(c));
  Put16(b, 0);
}
void Align4(std::vector<BYTE>& b) {
  while (b.size() % 4) b.push_back(0);
}

struct Reader {
  const std::vector<BYTE>& b;
  size_t at = 0;
  bool ok = true;
  WORD U16() {
    if (at + 2 > b.size()) {
      ok = false;
      return 0;
    }
    WORD v = static_cast<WORD>(b[at] | (b[at + 1] << 8));
    at += 2;
    return v;
  }
  DWORD U32() {
    DWORD lo = U16();
    return lo | (static_cast<DWORD>(U16()) << 16);
  }
  BYTE U8() {
    if (at + 1 > b.size()) {
      ok = false;
      return 0;
    }
    return b[at++];
  }
  std::wstring String() {
    std::wstring s;
    while (ok) {
      WORD c = U16();
      if (!ok || c == 0) break;
      s.push_back(static_cast<wchar_t>(c));
    }
    return s;
  }
  // A name or an ordinal (0xFFFF then a WORD); ordinals of the predefined classes come back as their names.
  std::wstring NameOrOrdinal() {
    WORD first = U16();
    if (first == 0) return {};
    if (first == 0xFFFF) {
      WORD ord = U16();
      for (const auto& [name, value] : ClassOrdinals())
        if (value == ord) return name;
      return L"#" + std::to_wstring(ord);
    }
    at -= 2;
    return String();
  }
};

}  // namespace

std::optional<DialogTemplate> ParseDialogText(const std::string& text, std::string* error) {
  DialogTemplate d;
  bool haveDialog = false;
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  auto fail = [&](const std::string& why) -> std::optional<DialogTemplate> {
    if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
    return std::nullopt;
  };
  auto shortOf = [](long v, short* out) {
    if (v < -32768 || v > 32767) return false;
    *out = static_cast<short>(v);
    return true;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    std::vector<std::string> w;
    std::vector<bool> q;
    size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') continue;
    if (!Words(line, &w, &q)) return fail("unterminated quoted text");
    const std::string& kw = w[0];
    long n[4] = {};
    if (kw == "DIALOG") {
      if (w.size() != 5) return fail("DIALOG x y cx cy");
      for (int i = 0; i < 4; ++i)
        if (!Number(w[i + 1], &n[i])) return fail("DIALOG needs four numbers");
      if (!shortOf(n[0], &d.x) || !shortOf(n[1], &d.y) || !shortOf(n[2], &d.cx) || !shortOf(n[3], &d.cy))
        return fail("dialog units out of range");
      haveDialog = true;
    } else if (kw == "STYLE" || kw == "EXSTYLE") {
      size_t at = 1;
      DWORD v = 0;
      if (!Styles(w, at, &v) || at != w.size()) return fail("unknown style in " + kw);
      (kw == "STYLE" ? d.style : d.exStyle) = v;
    } else if (kw == "CAPTION") {
      if (w.size() != 2 || !q[1]) return fail("CAPTION \"text\"");
      d.caption = mx::Utf8ToWide(w[1]);
    } else if (kw == "FONT") {
      if (w.size() < 3 || !q[2] || !Number(w[1], &n[0]) || n[0] < 1 || n[0] > 0x7FFF) return fail("FONT points \"face\" [weight [italic [charset]]]");
      d.pointSize = static_cast<WORD>(n[0]);
      d.face = mx::Utf8ToWide(w[2]);
      d.weight = 400;
      long v = 0;
      if (w.size() > 3 && (!Number(w[3], &v) || v < 0 || v > 1000)) return fail("bad font weight");
      if (w.size() > 3) d.weight = static_cast<WORD>(v);
      if (w.size() > 4 && (!Number(w[4], &v) || v < 0 || v > 1)) return fail("bad italic flag");
      if (w.size() > 4) d.italic = static_cast<BYTE>(v);
      if (w.size() > 5 && (!Number(w[5], &v) || v < 0 || v > 255)) return fail("bad character set");
      if (w.size() > 5) d.charset = static_cast<BYTE>(v);
      d.style |= DS_SETFONT;
    } else if (kw == "CONTROL") {
      if (w.size() < 9 || !q[3]) return fail("CONTROL id class \"text\" x y cx cy style [exstyle]");
      DialogItem item;
      long id = 0;
      if (!Number(w[1], &id) || id < 0 || id > 0xFFFF) return fail("control id from 0 to 65535");
      item.id = static_cast<DWORD>(id);
      item.className = mx::Utf8ToWide(w[2]);
      item.text = mx::Utf8ToWide(w[3]);
      for (int i = 0; i < 4; ++i)
        if (!Number(w[4 + i], &n[i])) return fail("control position needs four numbers");
      if (!shortOf(n[0], &item.x) || !shortOf(n[1], &item.y) || !shortOf(n[2], &item.cx) || !shortOf(n[3], &item.cy))
        return fail("dialog units out of range");
      size_t at = 8;
      if (!Styles(w, at, &item.style)) return fail("unknown control style");
      if (at < w.size() && (!Styles(w, at, &item.exStyle) || at != w.size())) return fail("unknown extended style");
      d.items.push_back(std::move(item));
      if (d.items.size() > 0xFFFF) return fail("too many controls");
    } else {
      return fail("unknown statement " + kw);
    }
  }
  if (!haveDialog) return fail("no DIALOG statement");
  return d;
}

std::vector<BYTE> EncodeDialogTemplate(const DialogTemplate& d) {
  std::vector<BYTE> b;
  Put16(b, 1);
  Put16(b, 0xFFFF);
  Put32(b, 0);
  Put32(b, d.exStyle);
  Put32(b, d.style);
  Put16(b, static_cast<WORD>(d.items.size()));
  for (short v : {d.x, d.y, d.cx, d.cy}) Put16(b, static_cast<WORD>(v));
  PutString(b, d.menu);
  PutString(b, d.className);
  PutString(b, d.caption);
  if (d.style & DS_SETFONT) {
    Put16(b, d.pointSize);
    Put16(b, d.weight);
    b.push_back(d.italic);
    b.push_back(d.charset);
    PutString(b, d.face);
  }
  for (const DialogItem& item : d.items) {
    Align4(b);
    Put32(b, 0);
    Put32(b, item.exStyle);
    Put32(b, item.style);
    for (short v : {item.x, item.y, item.cx, item.cy}) Put16(b, static_cast<WORD>(v));
    Put32(b, item.id);
    auto ord = ClassOrdinals().find(item.className);
    if (ord != ClassOrdinals().end()) {
      Put16(b, 0xFFFF);
      Put16(b, ord->second);
    } else {
      PutString(b, item.className);
    }
    PutString(b, item.text);
    Put16(b, 0);  // no creation data
  }
  return b;
}

std::optional<DialogTemplate> DecodeDialogTemplate(const std::vector<BYTE>& bytes) {
  Reader r{bytes};
  DialogTemplate d;
  if (r.U16() != 1 || r.U16() != 0xFFFF) return std::nullopt;
  r.U32();
  d.exStyle = r.U32();
  d.style = r.U32();
  WORD count = r.U16();
  d.x = static_cast<short>(r.U16());
  d.y = static_cast<short>(r.U16());
  d.cx = static_cast<short>(r.U16());
  d.cy = static_cast<short>(r.U16());
  d.menu = r.NameOrOrdinal();
  d.className = r.NameOrOrdinal();
  d.caption = r.String();
  if (d.style & DS_SETFONT) {
    d.pointSize = r.U16();
    d.weight = r.U16();
    d.italic = r.U8();
    d.charset = r.U8();
    d.face = r.String();
  }
  for (WORD i = 0; i < count && r.ok; ++i) {
    r.at = (r.at + 3) & ~size_t(3);
    DialogItem item;
    r.U32();
    item.exStyle = r.U32();
    item.style = r.U32();
    item.x = static_cast<short>(r.U16());
    item.y = static_cast<short>(r.U16());
    item.cx = static_cast<short>(r.U16());
    item.cy = static_cast<short>(r.U16());
    item.id = r.U32();
    item.className = r.NameOrOrdinal();
    item.text = r.NameOrOrdinal();
    WORD extra = r.U16();
    r.at += extra;
    if (r.at > bytes.size()) r.ok = false;
    d.items.push_back(std::move(item));
  }
  if (!r.ok) return std::nullopt;
  return d;
}

std::optional<std::vector<BYTE>> LoadDialogTemplate(UINT id) {
  auto text = LoadResourceFile("dialogs", id, "dlg");
  if (!text) return std::nullopt;
  auto d = ParseDialogText(*text);
  if (!d) return std::nullopt;
  return EncodeDialogTemplate(*d);
}

int CreateTemplateControls(HWND dialog, const DialogTemplate& t, int baseX, int baseY) {
  RegisterControlClasses();
  int created = 0;
  HWND previous = nullptr;
  for (const DialogItem& item : t.items) {
    HWND h = win::CreateWindowEx(item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD,
                                 item.x * baseX / 4, item.y * baseY / 8, item.cx * baseX / 4, item.cy * baseY / 8,
                                 dialog, reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(item.id)), nullptr, nullptr);
    if (!h) continue;
    // a new child goes on top; moving it below the one before keeps z-order in template order
    if (previous) win::SetWindowPos(h, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = h;
    ++created;
  }
  return created;
}

SIZE DialogBaseUnits(HFONT font) {
  HDC hdc = win::CreateCompatibleDC(nullptr);
  if (font) win::SelectObject(hdc, font);
  static const wchar_t kSample[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  SIZE ext{};
  win::GetTextExtentPoint32(hdc, kSample, 52, &ext);
  TEXTMETRICW tm;
  win::GetTextMetrics(hdc, &tm);
  win::DeleteDC(hdc);
  return SIZE{(ext.cx / 26 + 1) / 2, tm.tmHeight};
}

HFONT TemplateFont(const DialogTemplate& t) {
  static std::mutex mutex;
  static std::map<std::tuple<std::wstring, int, int, int>, HFONT> fonts;
  const bool set = t.style & DS_SETFONT;
  const std::wstring face = set && !t.face.empty() ? t.face : L"Tahoma";
  const int points = set ? t.pointSize : 8;
  const int weight = set && t.weight ? t.weight : FW_NORMAL;
  const int italic = set ? t.italic : 0;
  std::lock_guard lock(mutex);
  auto key = std::make_tuple(face, points, weight, italic);
  if (auto it = fonts.find(key); it != fonts.end()) return it->second;
  HFONT font = win::CreateFont(-((points * 96 + 36) / 72), 0, 0, 0, weight, static_cast<DWORD>(italic), 0, 0,
                               DEFAULT_CHARSET, 0, 0, 0, 0, face.c_str());
  fonts.emplace(key, font);
  return font;
}

HWND CreateDialogFromTemplate(UINT id, HWND parent, win::CWnd* handler, LPARAM param) {
  auto bytes = LoadDialogTemplate(id);
  if (!bytes) return nullptr;
  auto t = DecodeDialogTemplate(*bytes);
  if (!t) return nullptr;
  HFONT font = TemplateFont(*t);
  SIZE base = DialogBaseUnits(font);
  const std::wstring cls = t->className.empty() ? std::wstring(win::kDialogClass) : t->className;
  const int x = t->x * base.cx / 4, y = t->y * base.cy / 8, w = t->cx * base.cx / 4, h = t->cy * base.cy / 8;
  HWND dialog = nullptr;
  if (handler) {
    if (!handler->CreateEx(t->exStyle, cls.c_str(), t->caption.c_str(), t->style & ~WS_VISIBLE, x, y, w, h, parent,
                           nullptr))
      return nullptr;
    dialog = handler->m_hWnd;
  } else {
    dialog = win::CreateWindowEx(t->exStyle, cls.c_str(), t->caption.c_str(), t->style & ~WS_VISIBLE, x, y, w, h,
                                 parent, nullptr, nullptr, nullptr);
  }
  if (!dialog) return nullptr;
  win::SendMessage(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  CreateTemplateControls(dialog, *t, base.cx, base.cy);
  HWND focus = nullptr;
  for (HWND c = win::GetWindow(dialog, GW_CHILD); c; c = win::GetWindow(c, GW_HWNDNEXT)) {
    win::SendMessage(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!focus && (win::GetWindowLong(c, GWL_STYLE) & WS_TABSTOP)) focus = c;
  }
  win::SendMessage(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
  // a handler may have destroyed the dialog in WM_INITDIALOG
  if (!win::IsWindow(dialog)) return nullptr;
  if (t->style & WS_VISIBLE) win::ShowWindow(dialog, SW_SHOW);
  return dialog;
}

}  // namespace gdi

namespace {
struct LoadedResources {
  std::mutex mutex;
  std::map<UINT, std::shared_ptr<std::vector<BYTE>>> dialogs;
};
LoadedResources& Loaded() {
  static auto* l = new LoadedResources;
  return *l;
}
std::shared_ptr<std::vector<BYTE>> Lookup(HRSRC r) {
  auto& l = Loaded();
  std::lock_guard lock(l.mutex);
  auto it = l.dialogs.find(static_cast<UINT>(reinterpret_cast<std::uintptr_t>(r)));
  return it == l.dialogs.end() ? nullptr : it->second;
}
}  // namespace

namespace win {

HRSRC FindResource(HINSTANCE, UINT id, UINT type) {
  if (type != RT_DIALOG || id == 0) return nullptr;
  auto& l = Loaded();
  {
    std::lock_guard lock(l.mutex);
    if (l.dialogs.count(id)) return reinterpret_cast<HRSRC>(static_cast<std::uintptr_t>(id));
  }
  auto bytes = gdi::LoadDialogTemplate(id);
  if (!bytes) {
    SetLastError(1813);  // ERROR_RESOURCE_TYPE_NOT_FOUND
    return nullptr;
  }
  std::lock_guard lock(l.mutex);
  // kept for the life of the process, as a module's resources are
  l.dialogs.emplace(id, std::make_shared<std::vector<BYTE>>(std::move(*bytes)));
  return reinterpret_cast<HRSRC>(static_cast<std::uintptr_t>(id));
}

HANDLE LoadResource(HINSTANCE, HRSRC resource) { return Lookup(resource) ? static_cast<HANDLE>(resource) : nullptr; }

const void* LockResource(HANDLE loaded) {
  auto bytes = Lookup(static_cast<HRSRC>(loaded));
  return bytes ? bytes->data() : nullptr;
}

DWORD SizeofResource(HINSTANCE, HRSRC resource) {
  auto bytes = Lookup(resource);
  return bytes ? static_cast<DWORD>(bytes->size()) : 0;
}

}  // namespace win
