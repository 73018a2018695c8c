// Linked into the show and every windowed test program of a sanitizer build:
// fontconfig keeps its caches, and SDL its D-Bus connection, until the process
// ends, which the leak checker would report as leaks of ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n";
}
