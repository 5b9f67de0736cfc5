// Linked into every program of the sanitizer build, so that the tests, the
// program under the end-to-end tests and a developer's own runs all use
// the same settings without anyone having to set them.
extern "C" {

const char *__asan_default_options()
{
    // Freed memory is kept for a while so a late use still shows; the
    // default quarantine makes the 100 MB tests needlessly slow.
    return "detect_leaks=1:quarantine_size_mb=64";
}

const char *__ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

const char *__lsan_default_options()
{
    return "suppressions=" QUILLON_LSAN_SUPPRESSIONS;
}

} // extern "C"
