#include "dllfix/FeedbackUpload.h"

#include <cctype>
#include <cwchar>
#include <iterator>

#include "app/AppLog.h"
#include "app/LocalizedStrings.h"
#include "app/ServiceAddress.h"
#include "app/XmlEscape.h"
#include "platform/base/Text.h"
#include "platform/http/Http.h"
#include "platform/system/Time.h"
#include "platform/win/Sync.h"

namespace {

// The address the service proxy is made with, and the one an attempt with "set address" assembles itself.
// Both are paths on the one configured service.
constexpr const wchar_t* kDefaultServicePath = L"/ws/MiscService.asmx";
constexpr const wchar_t* kEndpointPath = L"/ws/MiscService.asmx";

std::string Escaped(const std::wstring& text) { return mx::WideToUtf8(EscapeXmlText(text, false)); }

// The local name of the first element inside soap:Body of an answer; "" when there is none.
std::string FirstBodyElement(const std::string& answer) {
  size_t body = answer.find(":Body");
  if (body == std::string::npos) body = answer.find("<Body");
  if (body == std::string::npos) return {};
  const size_t open = answer.find('<', answer.find('>', body));
  if (open == std::string::npos || open + 1 >= answer.size() || answer[open + 1] == '/') return {};
  size_t end = open + 1;
  while (end < answer.size() && !std::isspace(static_cast<unsigned char>(answer[end])) && answer[end] != '>' &&
         answer[end] != '/')
    ++end;
  std::string name = answer.substr(open + 1, end - open - 1);
  const size_t colon = name.find(':');
  return colon == std::string::npos ? name : name.substr(colon + 1);
}

}  // namespace

std::wstring MakeFeedbackReportName(const std::wstring& title, const SYSTEMTIME& local, DWORD tickCount) {
  wchar_t stamp[64];
  std::swprintf(stamp, 64, L"%02u_%02u_%02u_%02u_%02u_%02u-%lx.xml", local.wYear % 100u, unsigned{local.wMonth},
                unsigned{local.wDay}, unsigned{local.wHour}, unsigned{local.wMinute}, unsigned{local.wSecond},
                static_cast<unsigned long>(tickCount));
  std::wstring name = mx::Trim(mx::Trim(title) + stamp);
  for (wchar_t& c : name)
    if (c == L' ') c = L'_';
  return mx::ToLower(name);
}

std::string MakeUploadFeedbackEnvelope(const std::wstring& input, const std::wstring& filename) {
  return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>") +
         "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
         " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
         " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
         " xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\">"
         "<soap:Body><snp:UploadFeedback xmlns:snp=\"" + kMiscServiceNamespace + "\">"
         "<snp:input>" + Escaped(input) + "</snp:input>"
         "<snp:filename>" + Escaped(filename) + "</snp:filename>"
         "</snp:UploadFeedback></soap:Body></soap:Envelope>";
}

int TryUploadFeedback(BOOL useBrowserProxy, const std::wstring& report, const std::wstring& name, BOOL setAddress) {
  const std::wstring address = MakeServiceUrl(setAddress ? kEndpointPath : kDefaultServicePath);
  if (address.empty()) return 0;
  mx::http::Options options;
  options.connectTimeoutMs = 10000;
  options.totalTimeoutMs = 30000;
  options.maxBytes = 1 << 20;
  if (useBrowserProxy) options.proxy = mx::http::ProxyFromInternetSettings();
  mx::http::Request request;
  request.method = "POST";
  request.url = mx::WideToUtf8(address);
  request.headers = {"Content-Type: text/xml; charset=utf-8",
                     std::string("SOAPAction: \"") + kMiscServiceNamespace + "UploadFeedback\""};
  request.body = MakeUploadFeedbackEnvelope(report, name);
  const mx::http::Result result = mx::http::Send(request, options);
  // A fault comes back as the body's first element, usually with status 500: the exchange worked, the call not.
  if (result.ok() && result.status == 200 && FirstBodyElement(result.body) == "UploadFeedbackResponse") return 1;
  WriteLogLine(L"Feedback upload attempt failed: " +
               mx::Utf8ToWide(result.error.empty() ? "status " + std::to_string(result.status) : result.error));
  return 0;
}

int UploadFeedbackReport(const std::wstring& report) {
  try {
    SYSTEMTIME now;
    win::GetLocalTime(&now);
    const std::wstring name = MakeFeedbackReportName(GetAppTitle(), now, win::GetTickCount());
    const struct {
      BOOL proxy;
      BOOL address;
    } kAttempts[] = {{FALSE, FALSE}, {TRUE, FALSE}, {FALSE, TRUE}, {TRUE, TRUE}};
    for (size_t i = 0; i < std::size(kAttempts); ++i) {
      if (i > 0) win::Sleep(1024);
      if (TryUploadFeedback(kAttempts[i].proxy, report, name, kAttempts[i].address) > 0) return 1;
    }
  } catch (...) {
  }
  return 0;
}
