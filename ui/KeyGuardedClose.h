#pragma once
// The OK and Cancel bodies most dialogs share: Enter or Esc closes a dialog only once the key is up again
// (or on a click), so the key that closed one window does not close the next one as it opens.
class CDialog;

// CDialog::OnOK unless Enter is down or was pressed since the last query.
void KeyGuardedOnOK(CDialog& dialog);
// CDialog::OnCancel unless Esc is down or was pressed since the last query.
void KeyGuardedOnCancel(CDialog& dialog);
