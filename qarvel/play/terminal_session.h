#pragma once
// The terminal while the player owns it: keys read one by one without echo from standard
// input, the cursor hidden on standard error. Whatever happens, the terminal is given back as
// it was: when the session ends, at exit, on SIGINT, SIGTERM and SIGHUP (which also ask the
// player to stop), and on a crash (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT), after which the
// signal takes its usual course.
//
// Limits and choices:
// - One session per process; the signal handlers stay installed for the process's life.
// - stop_requested() also reports the stop signals when no terminal is in use, so that a
//   player without a screen still ends cleanly.

#include <string>

namespace qarvel_cli {

// Installs the handlers of the stop and crash signals (once per process).
void install_stop_signals();
// Whether SIGINT, SIGTERM or SIGHUP arrived.
bool stop_requested();
// The stop signal that arrived, or 0.
int stop_signal();

class TerminalSession {
  public:
    // Takes standard input into raw mode when `read_keys` (and it is a terminal), hides the
    // cursor on standard error when `hide_cursor`.
    TerminalSession(bool read_keys, bool hide_cursor);
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;
    ~TerminalSession();

    // The bytes typed since the last call, waiting at most `timeout_ms` for the first.
    std::string read_available(int timeout_ms);

  private:
    bool reading_ = false;
};

}  // namespace qarvel_cli
