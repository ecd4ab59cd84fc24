#pragma once
// The game's name and version as the window caption and the menu show them.

// The window caption and title.
constexpr const char* kGameTitle = "Escape from Ombrel";
// Shown in the menu's corner as "V." followed by it.
constexpr const char* kGameVersion = "0.61";
