#pragma once
// The keyboard and mouse buttons as the display saw them, for GetAsyncKeyState: the program asks whether Enter
// or Esc is still held before it closes a window. Any thread may ask.
#include <cstdint>

namespace gtkhost {

// Bit 15 while the key is down; bit 0 when it went down since the last query of it. Left and right Shift,
// Ctrl and Alt also count as the side-less key.
std::int16_t AsyncKeyState(int vk);

// What the display reports (GTK thread): a key or button went down or up; everything is up once the program's
// windows lose the focus (the release then goes elsewhere).
void NoteKey(int vk, bool down);
void ReleaseAllKeys();

}  // namespace gtkhost
