#pragma once
// Delivery of the feedback report to the web service: one SOAP 1.1 call, UploadFeedback(input, filename), in
// up to four attempts (direct, through the user's proxy, at the endpoint address, both), 1024 ms apart. Runs
// on the feedback form's worker thread.
#include <string>

#include "platform/base/WinTypes.h"

// The service's XML namespace (27 characters), shared by its three operations.
inline constexpr const char* kMiscServiceNamespace = "http://tarvolen.example/ws/";

// trim(title) + local time "%y_%m_%d_%H_%M_%S" + "-%x" of the tick count + ".xml", trimmed again, blanks
// turned into '_' and lower-cased.
std::wstring MakeFeedbackReportName(const std::wstring& title, const SYSTEMTIME& local, DWORD tickCount);
// The SOAP request body of UploadFeedback (the texts escaped, UTF-8).
std::string MakeUploadFeedbackEnvelope(const std::wstring& input, const std::wstring& filename);

// 1 when an attempt succeeded, 0 when all four failed.
int UploadFeedbackReport(const std::wstring& report);
// One attempt: 1 when the service answered 200 with an UploadFeedbackResponse, 0 on anything else (no
// service configured, no connection, an HTTP error, a SOAP fault, an answer that is not the response).
int TryUploadFeedback(BOOL useBrowserProxy, const std::wstring& report, const std::wstring& name, BOOL setAddress);
