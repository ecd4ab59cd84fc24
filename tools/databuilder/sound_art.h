#pragma once
// The game's sound effects, synthesised: jump, touch, rope throw, hook and
// release (seven variants each), the looping wheel, deaths, the laser and the
// three menu sounds.

#include <string>

#include "tools/databuilder/synth.h"

namespace databuilder {

// Every WAVE file under data/audio/sounds/.
bool buildSounds(const std::string& dataDir);

// The wheel's loop: a whole number of periods of every component, so its end
// runs into its start without a click.
Samples wheelLoop();

}  // namespace databuilder
