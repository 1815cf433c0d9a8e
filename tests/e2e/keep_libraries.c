// For the leak check of the end-to-end run under AddressSanitizer: keeps every library that
// SDL and OpenGL open at run time mapped until the process ends, so that the leak report can
// name the library behind each allocation and the suppressions can match it. Preloaded into
// the game only; without it, X and Mesa are unloaded before the report and their leaks come
// from an unknown module.
int dlclose(void* handle __attribute__((unused)))
{
    return 0;
}
