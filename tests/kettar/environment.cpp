#include "environment.h"

#include <cstdlib>

namespace media_test {

void setEnvironment(const char* name, const char* value) { setenv(name, value, 1); }

void clearEnvironment(const char* name) { unsetenv(name); }

}  // namespace media_test
