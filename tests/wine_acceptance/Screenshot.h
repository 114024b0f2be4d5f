// Pictures of the screen, taken by the runner outside Wine (the program only
// asks): the window's rectangle goes to NAME.rect, then NAME.request asks for
// the picture, and the runner answers with NAME.png and removes the request.
#ifndef DORVIK_WINE_ACCEPTANCE_SCREENSHOT_H
#define DORVIK_WINE_ACCEPTANCE_SCREENSHOT_H

#include <windows.h>

#include <string>

// The folder shared with the runner; empty: no pictures are taken.
void SetScreenshotFolder(const std::string &folder);

// Waits until the window has been painted, asks for a picture and waits for
// it. Returns whether the picture was taken.
bool TakeScreenshot(const char *name, HWND window);

#endif
