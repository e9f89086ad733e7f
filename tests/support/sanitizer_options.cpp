// Linked into the unit tests of a sanitized tree. The sanitizer runtimes ask
// these functions for their defaults before main, so a test behaves the same
// whether ctest runs it or someone runs the program by hand. Every finding
// already aborts the program (-fno-sanitize-recover=all); halt_on_error does
// the same for the reports that flag does not cover.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=1:detect_stack_use_after_return=1";
}
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
extern "C" const char* __tsan_default_options() { return "halt_on_error=1:second_deadlock_stack=1"; }
