#include "environment.h"

#include <cstdlib>

namespace media_test {

void setEnvironment(const char* name, const char* value) { _putenv_s(name, value); }

// An empty value removes the variable.
void clearEnvironment(const char* name) { _putenv_s(name, ""); }

}  // namespace media_test
