#pragma once
// The feedback form's report: the user's entries checked and written as XML (sf_feedback) with the DLL
// installed last and a description of the computer (Windows version, memory, drives, program version).
#include <string>

// Results of BuildFeedbackReport.
inline constexpr int kFeedbackReportBuilt = 1;
inline constexpr int kFeedbackEmptyEmail = -1;
inline constexpr int kFeedbackInvalidEmail = -5;
inline constexpr int kFeedbackNoProblemType = -2;
inline constexpr int kFeedbackEmptyMessage = 0;

// problemIndex is the combo's selection (0 is "choose one"), problemText its text. On success report holds
// the document text; otherwise report is empty.
int BuildFeedbackReport(const std::wstring& email, int problemIndex, const std::wstring& problemText,
                        const std::wstring& message, std::wstring& report);
