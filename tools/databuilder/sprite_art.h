#pragma once
// Sprite strips: N frames of equal width side by side in one texture, each frame
// inset by a transparent margin so linear filtering never mixes two frames.

#include <string>

namespace databuilder {

// data/sprites/body, arm, wheel (hero), vaxer, vazer, skarnox (enemies),
// gorvex-idle and gorvex-shoot (turret).
bool buildSprites(const std::string& dataDir, const std::string& extension);

}  // namespace databuilder
