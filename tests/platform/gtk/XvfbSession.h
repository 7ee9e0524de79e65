#pragma once
// A private X server for the tests that need the real display: each test process starts its own Xvfb (so
// parallel test runs never share a screen), initialises GTK on it and attaches the UI thread's queue.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/win/WinDefs.h"

namespace mxtest {

// Starts the server and GTK once per process. False, with the reason, when that is impossible here (no Xvfb
// installed): the caller skips.
bool StartDisplay(std::string* why);

// Runs the GLib loop until done() holds or timeoutMs (real time) passed; returns done().
bool RunUntil(const std::function<bool()>& done, int timeoutMs = 60000);

// Runs a program (xdotool) on the test's display, keeping the GLib loop running; its exit code, -1 when it
// could not start.
int RunProgram(const std::vector<std::string>& argv);

// Every pixel of the window's region of the screen, 0x00RRGGBB, top row first.
std::vector<unsigned> ScreenPixels(int x, int y, int width, int height);
// Writes pixels as ScreenPixels returns them to a PNG file (its folder made when missing).
bool SavePixelsPng(const std::vector<unsigned>& pixels, int width, int height, const std::filesystem::path& path);

// What the display shows of a top-level window, once it shows what the window painted, saved as a PNG; false
// when the window never appeared as painted or the file could not be written.
bool SaveShownPng(HWND window, const std::filesystem::path& path);

// What the display shows of a top-level window, once it shows what the window painted, saved as a PNG; false
// when the window never appeared as painted or the file could not be written.
bool SaveShownPng(HWND window, const std::filesystem::path& path);

}  // namespace mxtest

// Skips the test when there is no display to be had.
#define MX_REQUIRE_DISPLAY()                                   \
  do {                                                         \
    std::string why_;                                          \
    if (!mxtest::StartDisplay(&why_)) GTEST_SKIP() << why_;    \
  } while (0)
