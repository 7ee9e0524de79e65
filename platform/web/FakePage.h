#pragma once
// A page without a browser: functions are C++ callables, every call is recorded, clicks are injected.
#include <map>
#include <string>
#include <vector>

#include "platform/web/PageScript.h"

namespace web {

class FakePage final : public IPageScript {
 public:
  using Function = std::function<ScriptValue(const std::vector<std::wstring>& args)>;
  struct CallRecord {
    std::wstring name;
    std::vector<std::wstring> args;
    bool operator==(const CallRecord&) const = default;
  };

  // A loaded page answers calls; a fresh one is still loading.
  void SetLoaded(bool loaded) { loaded_ = loaded; }
  // Defines a function; Define(name) alone returns nothing.
  void Define(const std::wstring& name, Function f = {});
  // Defines a function that returns value whatever its arguments.
  void Return(const std::wstring& name, ScriptValue value);
  // Defines a function that throws message.
  void Throw(const std::wstring& name, std::wstring message);

  // Delivers a click as the page would.
  void Click(const std::wstring& id);

  // Every call that reached a defined function, in order.
  const std::vector<CallRecord>& calls() const { return calls_; }
  // The calls of one function.
  std::vector<std::vector<std::wstring>> CallsOf(const std::wstring& name) const;
  void ClearCalls() { calls_.clear(); }

  bool IsLoaded() const override { return loaded_; }
  HRESULT Call(const std::wstring& name, const std::vector<std::wstring>& args, ScriptValue* result,
               std::wstring* error = nullptr) override;
  void SetClickHandler(ClickHandler handler) override { click_ = std::move(handler); }

 private:
  struct Entry {
    Function f;
    bool throws = false;
    std::wstring message;
  };
  bool loaded_ = false;
  std::map<std::wstring, Entry> functions_;
  std::vector<CallRecord> calls_;
  ClickHandler click_;
  int depth_ = 0;
  std::vector<std::wstring> pendingClicks_;
};

}  // namespace web
