#pragma once
// The repair worker: repairs the selected problems of every category in the scan order, one repair run at a
// time, drives the repair page's progress bar and ends with WM_CLEAN_COMPLETED or WM_CLEAN_STOPPED, sent to
// the page. Everything it tells the page is sent, so the UI thread must never wait for it.
#include "platform/base/WinTypes.h"
#include "platform/win/WinDefs.h"

class CScanManager;
namespace win {
class CWnd;
}

// The thread procedure; param is the scan manager, prepared by the repair page (window handles, relinked
// categories, an open undo run). Returns 0; returns at once, without any message, while another repair runs.
UINT CleanThreadProc(LPVOID param);

// The manager whose repair the calling thread is running (the worker sets it for its run); the application's
// manager otherwise.
CScanManager* CurrentCleanManager();

// Whether a repair run holds the repair guard now.
bool IsRepairRunning();

// What the repair page does when the user starts a repair: a restore point (when one is due; the repair goes
// on without one), the manager's run state and window handles, the categories relinked, an undo run opened
// and the worker started. False, with nothing started, when a repair runs already or no undo run could be
// opened (an undo run opened here is closed again when the worker cannot start).
bool StartRepairRun(CScanManager& manager, HWND page, win::CWnd* progressBar, win::CWnd* countText);

// Starts CleanThreadProc on a worker of normal priority, as the repair page does after opening the undo run:
// the stop event is reset, the thread's id goes to m_dwWorker and a waitable handle to the manager. False
// when a repair runs already or the thread could not start.
bool BeginCleanWorker(CScanManager& manager);
