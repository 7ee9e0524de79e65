#pragma once
// After a DLL installation: the daily task that asks whether the DLL fixed the problem, and the report of
// the answer to the web service.
#include <string>

#include "platform/base/WinTypes.h"

inline constexpr const wchar_t* kAskUserTaskName = L"Tarvolen MendrixASKUSER";

// Makes (or replaces) the daily task starting two hours from now with "-askuser", and clears ASKEDUSER so
// the question is asked again for this installation.
void ScheduleDllFixQuestion();
// The report's URL on the web service; empty when no service is configured.
std::wstring DllFixFeedbackUrl(BOOL fixed);
// Sends the answer; a fixed answer thanks the user and ends the program (exit code 18).
void SendDllFixFeedback(BOOL fixed);
