// Ctrl-C, SIGTERM and SIGHUP, and the ways the program ends when it cannot end normally.
// The signals are taken away from every thread and handed to one watcher thread, so that
// they are seen even while the main thread waits in a message box or in a script.
#pragma once

namespace platform::interrupt {

/// Blocks SIGINT, SIGTERM and SIGHUP in the calling thread (and so in every thread started
/// after it) and starts the watcher. Call first thing in main, before any other thread.
/// The first signal asks the game to quit (TakeQuitRequest); a second one, or one that
/// arrives while a message box is open, ends the program at once with status 1.
void StartWatcher();

/// True once, after a signal asked the game to quit; the window hands it to the main loop
/// as the quit message.
bool TakeQuitRequest();

/// Marks a modal box as open for its lifetime: nobody can answer it from a terminal that
/// was interrupted, so a signal then ends the program instead of queueing a quit.
class BoxScope {
 public:
  BoxScope();
  ~BoxScope();
  BoxScope(const BoxScope&) = delete;
  BoxScope& operator=(const BoxScope&) = delete;
};

/// True from the moment a signal or a lost display began ending the program.
bool Ending();

/// Ends the program now: the terminal is given back to the user (normal screen, cursor
/// shown, held output written), child processes (the windows of message boxes) are
/// killed, `line` (UTF-8, may be null) is written to standard error, and the process exits
/// with `status` without running exit handlers, which may wait on a dead display.
[[noreturn]] void EndNow(const char* line, int status);

}  // namespace platform::interrupt
