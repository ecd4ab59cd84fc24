#include "ferrox/collision_notifier.h"

namespace ferrox {

CollisionNotifier* notifier = nullptr;

}  // namespace ferrox
