#include "platform/web/FakePage.h"

namespace web {

void FakePage::Define(const std::wstring& name, Function f) { functions_[name] = Entry{std::move(f), false, {}}; }

void FakePage::Return(const std::wstring& name, ScriptValue value) {
  Define(name, [value](const std::vector<std::wstring>&) { return value; });
}

void FakePage::Throw(const std::wstring& name, std::wstring message) {
  functions_[name] = Entry{{}, true, std::move(message)};
}

void FakePage::Click(const std::wstring& id) {
  // A click the page's script raises inside a call reaches the host after the call, as in the browser.
  if (depth_ > 0) {
    pendingClicks_.push_back(id);
    return;
  }
  if (click_) click_(id);
}

std::vector<std::vector<std::wstring>> FakePage::CallsOf(const std::wstring& name) const {
  std::vector<std::vector<std::wstring>> out;
  for (const auto& c : calls_)
    if (c.name == name) out.push_back(c.args);
  return out;
}

HRESULT FakePage::Call(const std::wstring& name, const std::vector<std::wstring>& args, ScriptValue* result,
                       std::wstring* error) {
  if (!loaded_) return E_PENDING;
  auto it = functions_.find(name);
  if (it == functions_.end()) return DISP_E_UNKNOWNNAME;
  calls_.push_back({name, args});
  if (it->second.throws) {
    if (error) *error = it->second.message;
    return DISP_E_EXCEPTION;
  }
  ScriptValue value;
  if (it->second.f) {
    Function f = it->second.f;  // the function may redefine itself
    ++depth_;
    value = f(args);
    --depth_;
  }
  if (result) *result = std::move(value);
  if (depth_ == 0 && !pendingClicks_.empty()) {
    auto clicks = std::move(pendingClicks_);
    pendingClicks_.clear();
    for (const auto& id : clicks) Click(id);
  }
  return S_OK;
}

}  // namespace web
