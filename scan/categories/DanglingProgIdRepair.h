#pragma once
// The repair of an extension whose default value names a ProgID that no longer exists. An extension key
// usually holds more than its ProgID (OpenWithProgids, ShellNew, PersistentHandler, a content type), all of
// which still work without it: only the default value is taken out, and the key goes only when nothing else
// is left in it. Both changes go through the problem's undo run.
class CProblem;

// True when the problem counts as fixed: the dangling default value (or the key that held nothing else) is
// gone. Runs on the repair worker, with an undo run open.
bool RepairDanglingProgId(CProblem& problem);
