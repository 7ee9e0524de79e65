#pragma once
// The application's shared fonts as the optimisation pages use them; a plain font of the user-interface
// face when no application object made them (the pages' tests).
#include "platform/gdi/GdiTypes.h"

// Roles: heading, results, text.
enum class ToolsFont { Heading, Results, Text };
HFONT GetToolsFont(ToolsFont role);
