#pragma once
// The frame that the pause and end screens share: the play frame as it stands,
// a translucent veil over the whole window, then their texts in black in window
// pixels.

#include <string>

class ScreenHost;
class FTFont;

// Draws the play frame and the veil and enters the window's pixel projection
// with the text colour set; the model-view matrix is current.
void beginOverlay(ScreenHost* app, float red, float green, float blue, float alpha);
// Leaves the pixel projection.
void endOverlay();
// The whole string at (x, y) in the current frame; nothing without a font. The
// menu pages draw their texts with it too.
void renderOverlayText(FTFont* font, const std::string& text, float x, float y);
