#pragma once
// The application's shared fonts as the optimisation pages use them (a plain font of the user-interface
// face when no application object made them: the pages' tests), and the pages' common background.
#include "platform/gdi/GdiTypes.h"

class CDC;

// Roles: heading, results, text.
enum class ToolsFont { Heading, Results, Text };
HFONT GetToolsFont(ToolsFont role);

// White page with the grey band of 70 pixels at its bottom, filled and outlined.
void PaintPageBackground(CDC& dc, int width, int height);
