// Linked into every FLTK test program: fontconfig keeps its caches until the
// process ends, which the leak checker would report as leaks of ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
