#pragma once
// Skeleton sources (assets/skeletons/NAME.txt) and their compilation into
// skeleton files through the physics library's own body block and file writer.
//
// A source is lines of words; '#' starts a comment:
//   quark KIND X Y [mass=M] [damping=D]
//   link KIND A B [spring=K] [stiffness=S] [radius=R] [friction=F] [internal]
// KIND is soft, stiff or fixed; A and B are quark numbers in the order the
// quarks are listed. A link's rest length is the distance of its quarks. The
// template is moved so that its centroid (the mean quark position) lies on the
// origin, where the game places it.

#include <string>

#include "ferrox/body_block.h"

namespace databuilder {

// Parses and checks a source; false with "file:line: reason" in why.
bool parseSkeleton(const std::string& text, const std::string& fileName, ferrox::BodyBlock& body,
                   std::string& why);

// Reads the source file and writes the skeleton file; messages on failure.
bool compileSkeleton(const std::string& sourcePath, const std::string& outputPath);

}  // namespace databuilder
