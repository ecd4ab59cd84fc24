#pragma once
// The extension of every texture file the game names. The build chooses it for its
// platform (CMakeLists.txt): ".png", PNG images read through SDL_image, in the 32-bit
// Linux build; ".ktr", the framework's own texture files, in the others. A string
// literal, so that path tables stay constant data:
//   "data/textures/terrain-01" KETTAR_TEXTURE_EXTENSION

#ifndef KETTAR_TEXTURE_EXTENSION
#error "KETTAR_TEXTURE_EXTENSION is set by the build (CMakeLists.txt)"
#endif
