// How the dialog and its message box come out on the screen: size, font and
// whether the fonts in use have glyphs for the Japanese texts (a missing
// glyph is drawn as a box).
#ifndef DORVIK_WINE_ACCEPTANCE_DIALOG_APPEARANCE_H
#define DORVIK_WINE_ACCEPTANCE_DIALOG_APPEARANCE_H

#include <windows.h>

#include <string>

void CheckDialogAppearance(HWND dialog);

// Whether the font has a glyph for every character; reports the face used.
bool FontHasGlyphs(HFONT font, const std::wstring &text, std::wstring *face);

#endif
