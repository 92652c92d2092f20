// Linked into every program of a sanitizer build (-DDRAVIMO_SANITIZE=ON): the
// sanitizers read these before main, so ctest, the scripts and a person
// running a program by hand get the same settings without an environment to
// remember. ASAN_OPTIONS, LSAN_OPTIONS and UBSAN_OPTIONS still override them.

extern "C" {

// Stop at the first finding: a test must not pass over a fault.
const char *__asan_default_options()
{
    return "halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1";
}

const char *__ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}

// Leaks inside Qt's and fontconfig's own caches are suppressed by name, one
// entry each, in the file below.
const char *__lsan_default_options()
{
    return "suppressions=" DRAVIMO_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

} // extern "C"
