#pragma once
// The bridge between the program and the script of a hosted page. The program calls global functions of the
// page by name with string arguments (always passed as values, never spliced into script text) and learns of
// clicks by element id. Two implementations: FakePage (tests of screen logic, no display) and WebKitPage (the
// product, on the GTK thread).
#include <functional>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

namespace web {

// What the COM side would answer for the three ways a call can fail.
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
inline constexpr HRESULT E_PENDING = static_cast<HRESULT>(0x8000000Au);  // the page has not loaded
inline constexpr HRESULT RPC_E_WRONG_THREAD = static_cast<HRESULT>(0x8001010Eu);  // not the page's thread

// A function's result as the host reads it; the bridge does not convert it further.
struct ScriptValue {
  enum class Type { Empty, String, Number, Bool };
  Type type = Type::Empty;
  std::wstring text;  // String
  double number = 0;  // Number; Bool as 0 or 1

  static ScriptValue String(std::wstring s) { return {Type::String, std::move(s), 0}; }
  static ScriptValue Number(double n) { return {Type::Number, {}, n}; }
  static ScriptValue Bool(bool b) { return {Type::Bool, {}, b ? 1.0 : 0.0}; }
  bool operator==(const ScriptValue&) const = default;
};

class IPageScript {
 public:
  virtual ~IPageScript() = default;
  // The page's script can be called (its document finished loading).
  virtual bool IsLoaded() const = 0;
  // Calls the page's global function name(args...) and waits for it. S_OK; E_PENDING before the page loaded;
  // DISP_E_UNKNOWNNAME when no such function exists; DISP_E_EXCEPTION when it threw (the message goes to
  // *error when given); RPC_E_WRONG_THREAD from any thread but the one that made the page.
  virtual HRESULT Call(const std::wstring& name, const std::vector<std::wstring>& args, ScriptValue* result,
                       std::wstring* error = nullptr) = 0;
  // Element clicks by id (the user's and those the page's own script triggers), on the UI thread, never in
  // the middle of a Call.
  using ClickHandler = std::function<void(const std::wstring& id)>;
  virtual void SetClickHandler(ClickHandler handler) = 0;
};

}  // namespace web
