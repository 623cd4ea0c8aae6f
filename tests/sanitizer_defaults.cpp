// The leaks of system libraries that LeakSanitizer should not report, built
// into every test program of a sanitizer build. tests/lsan.supp says the same
// for runs that pass LSAN_OPTIONS; this copy also covers CTest's listing of
// the tests, which runs the programs without the preset's environment.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:xmlParseEntityValue\n"
         "leak:libx265\n";
}
