// Sanitizer builds only: libraries that a system library loads stay loaded until the end.
// GL drivers allocate once per process and are unloaded before the leak check runs; their
// frames in a report then have no module name, and no suppression can match them. With
// the modules still mapped, tests/lsan.supp names them.
extern "C" int dlclose(void*) { return 0; }
