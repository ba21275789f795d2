// The font library keeps a cache it never frees; the leak checker of the
// sanitizer build is told so, and still reports every leak of ours.

extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
