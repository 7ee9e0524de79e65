#pragma once
// The repair of one problem: its entry type picks one of ten actions; every registry change goes through the
// undo run of the problem's holder, so that it can be restored.
#include <string>

#include "platform/base/WinTypes.h"

class CProblem;

// The action of each entry type, 0 to 43.
extern const int kRepairActionOfType[44];

// True when the problem counts as fixed. Runs on the repair worker, with an undo run open.
bool RepairProblem(CProblem& problem);

// "C:\a b\[x].htm" -> "file:///C:/a%20b/%5Bx%5D.htm"; empty stays empty.
void PathToFileUrl(std::wstring& text);
// Deletes the URL from the Internet history store; false when it could not.
bool DeleteUrlFromHistory(const std::wstring& url);
