#pragma once
// How a screen talks to the script of its page: calls of the page's global functions by name with string
// arguments, and the text of the last failure. Failures are never shown to the user; the screen carries on.
#include <memory>
#include <string>
#include <vector>

#include "platform/web/PageScript.h"

class CWebPage {
 public:
  using Document = std::shared_ptr<web::IPageScript>;

  CWebPage() = default;
  virtual ~CWebPage() = default;
  CWebPage(const CWebPage&) = delete;
  CWebPage& operator=(const CWebPage&) = delete;

  // Binds the page after its document completed: nullptr keeps the current one (error "NULL pointer").
  void SetDocument(Document document);
  const Document& GetDocument() const { return m_pDocument; }

  BOOL CallJScript(const std::wstring& function, const std::vector<std::wstring>& args,
                   web::ScriptValue* result = nullptr);
  BOOL CallJScriptNoArgs(const std::wstring& function, web::ScriptValue* result = nullptr);
  BOOL CallJScriptOneArg(const std::wstring& function, const std::wstring& arg, web::ScriptValue* result = nullptr);
  BOOL CallJScriptTwoArgs(const std::wstring& function, const std::wstring& first, const std::wstring& second,
                          web::ScriptValue* result = nullptr);

  void SetError(const std::wstring& text);
  const std::wstring& GetLastError() const { return m_strError; }
  // The system's text of a failure code, or "FormatMessage Native Error" for a code it has no text for.
  static std::wstring GetSystemErrorMessage(HRESULT hr);

 private:
  Document m_pDocument;
  std::wstring m_strError;
};
