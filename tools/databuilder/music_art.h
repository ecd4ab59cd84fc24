#pragma once
// The seven music tracks, synthesised from a small sequencer: a quiet menu
// track and six level songs, each in its own key, tempo, progression and sound.

#include <string>
#include <vector>

namespace databuilder {

// "menu", "song-01" .. "song-06".
const std::vector<std::string>& musicTracks();

// Interleaved stereo samples of one track; empty for an unknown name.
std::vector<float> renderTrack(const std::string& name);

// data/audio/music/NAME.ogg; false for an unknown name or a failed write.
bool buildMusic(const std::string& name, const std::string& dataDir);

}  // namespace databuilder
