#pragma once
// The terminal while the player owns it: keys read one by one without echo from the
// controlling terminal (/dev/tty, so that they work whatever standard input and standard
// error are), the cursor hidden on standard error. Whatever happens, the terminal is given
// back as it was: when the session ends, at exit, on SIGINT, SIGTERM and SIGHUP (which also
// ask the player to stop), and on a crash (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT), after
// which the signal takes its usual course.
//
// Limits and choices:
// - One session per process; the signal handlers stay installed for the process's life.
// - stop_requested() also reports the stop signals when no terminal is in use, so that a
//   player without a screen still ends cleanly.
// - Keys are read only while the process is in the terminal's foreground: one started or put
//   in the background (`qarvel play &`, bg) leaves the terminal alone rather than being
//   stopped by it. Ctrl-Z gives the shell its terminal back; fg takes it again and asks for
//   the screen to be drawn afresh (as a resize does).
// - A change of the terminal's size (SIGWINCH) is noted for the screen to redraw.

#include <string>

namespace qarvel_cli {

// Installs the handlers of the stop, crash and resize signals (once per process).
void install_stop_signals();
// Whether SIGINT, SIGTERM or SIGHUP arrived.
bool stop_requested();
// The stop signal that arrived, or 0.
int stop_signal();
// Whether the terminal changed its size (or the player was continued) since the last call.
bool take_resize();

class TerminalSession {
  public:
    // Takes the controlling terminal into raw mode when `read_keys` (and there is one), hides
    // the cursor on standard error when `hide_cursor`.
    TerminalSession(bool read_keys, bool hide_cursor);
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;
    ~TerminalSession();

    // Whether keys are being read.
    bool reading() const { return reading_; }
    // The bytes typed since the last call, waiting at most `timeout_ms` for the first (less
    // when a signal arrives).
    std::string read_available(int timeout_ms);
    // Writes `text` on the terminal the keys come from.
    void show(const std::string& text);

  private:
    int fd_ = -1;
    bool reading_ = false;
};

}  // namespace qarvel_cli
