// Writes the framework demo's media into a program folder: an own texture file
// (magenta), a PNG (cyan), a sound and two short music tracks.

#include <filesystem>
#include <iostream>
#include <vector>

#include "media_assets.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_demo_media PROGRAM-FOLDER\n";
    return 2;
  }
  const std::filesystem::path data = std::filesystem::path(argv[1]) / "data";
  std::filesystem::create_directories(data / "textures");
  std::filesystem::create_directories(data / "audio/sounds");
  std::filesystem::create_directories(data / "audio/music");

  std::vector<uint8_t> magenta;
  std::vector<uint8_t> cyan;
  for (int i = 0; i < 4; ++i) {
    magenta.insert(magenta.end(), {255, 0, 255, 255});
    cyan.insert(cyan.end(), {0, 255, 255});
  }
  media_test::writeFile((data / "textures/demo.ktr").string(), media_test::ktrBytes(2, 2, magenta));
  media_test::writePng((data / "textures/demo.png").string(), 2, 2, cyan, false);
  media_test::writeWav((data / "audio/sounds/demo.wav").string(), 0.2);
  media_test::writeOgg((data / "audio/music/demo-01.ogg").string(), 0.3);
  media_test::writeOgg((data / "audio/music/demo-02.ogg").string(), 0.3);
  return 0;
}
