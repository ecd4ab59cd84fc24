// AddressSanitizer's allocator ends the process when an allocation fails; the tests of what the
// program does then need it to answer null, as the C library does.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
