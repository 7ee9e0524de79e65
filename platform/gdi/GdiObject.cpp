#include "platform/gdi/GdiObject.h"

#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/gdi/DC.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/ResourceTable.h"

namespace {

// Owners by handle (objects attached to a handle) and this thread's wrappers of handles nobody owns.
std::mutex g_ownersMutex;
std::unordered_map<HGDIOBJ, CGdiObject*>& Owners() {
  static auto* owners = new std::unordered_map<HGDIOBJ, CGdiObject*>;
  return *owners;
}
std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>>& Wrappers() {
  thread_local std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> wrappers;
  return wrappers;
}

// A wrapper never deletes the object it shows; it has the class of its object so callers may cast it.
template <class T>
class CTemp final : public T {
 public:
  ~CTemp() override { this->m_hObject = nullptr; }
};

std::unique_ptr<CGdiObject> MakeWrapper(HGDIOBJ handle) {
  std::unique_ptr<CGdiObject> w;
  switch (win::GetObjectType(handle)) {
    case OBJ_BITMAP: w = std::make_unique<CTemp<CBitmap>>(); break;
    case OBJ_FONT: w = std::make_unique<CTemp<CFont>>(); break;
    case OBJ_BRUSH: w = std::make_unique<CTemp<CBrush>>(); break;
    case OBJ_PEN: w = std::make_unique<CTemp<CPen>>(); break;
    case OBJ_REGION: w = std::make_unique<CTemp<CRgn>>(); break;
    default: w = std::make_unique<CTemp<CGdiObject>>(); break;
  }
  w->m_hObject = handle;
  return w;
}

void PruneWrappers() {
  auto& w = Wrappers();
  for (auto it = w.begin(); it != w.end();) {
    if (!gdi::FindObject(it->first)) {
      it->second->m_hObject = nullptr;
      it = w.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

CGdiObject* CGdiObject::FromHandle(HGDIOBJ handle) {
  if (!handle) return nullptr;
  {
    std::lock_guard lock(g_ownersMutex);
    if (auto it = Owners().find(handle); it != Owners().end()) return it->second;
  }
  auto& w = Wrappers();
  if (auto it = w.find(handle); it != w.end()) return it->second.get();
  if (w.size() > 256) PruneWrappers();
  auto temp = MakeWrapper(handle);
  CGdiObject* raw = temp.get();
  w.emplace(handle, std::move(temp));
  return raw;
}

BOOL CGdiObject::Attach(HGDIOBJ handle) {
  if (!handle || m_hObject) return FALSE;
  m_hObject = handle;
  std::lock_guard lock(g_ownersMutex);
  Owners()[handle] = this;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  if (h) {
    std::lock_guard lock(g_ownersMutex);
    auto it = Owners().find(h);
    if (it != Owners().end() && it->second == this) Owners().erase(it);
  }
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  HGDIOBJ h = Detach();
  return win::DeleteObject(h);
}

BOOL CBitmap::LoadBitmap(UINT resourceId) { return Attach(gdi::LoadBitmapResource(resourceId)); }

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return Attach(win::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, width, height));
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  return Attach(win::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* font) { return Attach(win::CreateFontIndirect(font)); }

BOOL CFont::CreatePointFont(int pointSizeTenths, const wchar_t* face, CDC*) {
  LOGFONTW lf;
  lf.lfHeight = -((pointSizeTenths * 96 + 360) / 720);  // tenths of a point to pixels at 96 DPI, rounded
  lf.lfWeight = FW_NORMAL;
  for (int i = 0; face && face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return CreateFontIndirect(&lf);
}

BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(win::CreateSolidBrush(color)); }

BOOL CBrush::CreateSysColorBrush(int index) { return Attach(win::CreateSolidBrush(win::GetSysColor(index))); }

BOOL CPen::CreatePen(int style, int width, COLORREF color) { return Attach(win::CreatePen(style, width, color)); }

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
  return Attach(win::CreateRectRgn(left, top, right, bottom));
}

BOOL CRgn::CreateRectRgnIndirect(const RECT* rect) { return Attach(win::CreateRectRgnIndirect(rect)); }
