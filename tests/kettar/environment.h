#pragma once
// Setting and clearing one of the test process's environment variables:
// environment.cpp on Linux, environment_windows.cpp on Windows.

namespace media_test {

void setEnvironment(const char* name, const char* value);
void clearEnvironment(const char* name);

}  // namespace media_test
