#include "qarvel/play/terminal_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace qarvel_cli {
namespace {

constexpr char kShowCursor[] = "\033[?25h";
constexpr char kHideCursor[] = "\033[?25l";

// State the signal handlers read: plain flags and the terminal settings, as they were and as
// the session wants them.
volatile sig_atomic_t g_stop_signal = 0;
volatile sig_atomic_t g_resized = 0;
std::atomic<bool> g_keys_wanted{false};
std::atomic<bool> g_cursor_wanted{false};
std::atomic<bool> g_raw_input{false};
std::atomic<bool> g_cursor_hidden{false};
std::atomic<int> g_input_fd{-1};
termios g_saved_input{};
termios g_raw_input_mode{};

// Async-signal-safe: tcsetattr and write only.
void give_terminal_back() {
    if (g_raw_input.exchange(false)) tcsetattr(g_input_fd.load(), TCSAFLUSH, &g_saved_input);
    if (g_cursor_hidden.exchange(false)) {
        ssize_t ignored = write(STDERR_FILENO, kShowCursor, sizeof kShowCursor - 1);
        (void)ignored;
    }
}

// Async-signal-safe as well: the terminal as the session wants it, when the process is in its
// foreground (a background one would be stopped for changing it). Whether keys are read now
// and were not before.
bool take_terminal() {
    const int fd = g_input_fd.load();
    bool taken = false;
    if (g_keys_wanted.load() && !g_raw_input.load() && tcgetpgrp(fd) == getpgrp() &&
        tcsetattr(fd, TCSAFLUSH, &g_raw_input_mode) == 0) {
        g_raw_input.store(true);
        taken = true;
    }
    if (g_cursor_wanted.load() && !g_cursor_hidden.exchange(true)) {
        ssize_t ignored = write(STDERR_FILENO, kHideCursor, sizeof kHideCursor - 1);
        (void)ignored;
    }
    return taken;
}

void on_stop_signal(int signal_number) {
    g_stop_signal = signal_number;
}

void on_suspend(int);

void handle(int signal_number, void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    sigaction(signal_number, &action, nullptr);
}

// Ctrl-Z: the shell gets its terminal back while the player is stopped.
void on_suspend(int) {
    const int saved_errno = errno;
    give_terminal_back();
    handle(SIGTSTP, SIG_DFL, 0);
    sigset_t suspend;
    sigemptyset(&suspend);
    sigaddset(&suspend, SIGTSTP);
    pthread_sigmask(SIG_UNBLOCK, &suspend, nullptr);
    raise(SIGTSTP);  // stopped here until continued
    handle(SIGTSTP, on_suspend, SA_RESTART);
    errno = saved_errno;
}

// fg (or bg): the terminal is taken again when the player is in its foreground, and the
// screen drawn afresh below what the shell wrote.
void on_continue(int) {
    const int saved_errno = errno;
    take_terminal();
    g_resized = 1;
    errno = saved_errno;
}

void on_resize(int) {
    g_resized = 1;
}

void on_crash_signal(int signal_number) {
    give_terminal_back();
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

}  // namespace

void install_stop_signals() {
    static std::atomic<bool> installed{false};
    if (installed.exchange(true)) return;
    for (int s : {SIGINT, SIGTERM, SIGHUP}) handle(s, on_stop_signal, 0);
    for (int s : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT})
        handle(s, on_crash_signal, SA_RESETHAND);
    // Restarted, so that no write of the screen is cut short; the wait for keys (poll) still
    // returns early.
    handle(SIGWINCH, on_resize, SA_RESTART);
    handle(SIGTSTP, on_suspend, SA_RESTART);
    handle(SIGCONT, on_continue, SA_RESTART);
    std::atexit(give_terminal_back);
}

bool stop_requested() {
    return g_stop_signal != 0;
}
int stop_signal() {
    return g_stop_signal;
}
bool take_resize() {
    const bool resized = g_resized != 0;
    g_resized = 0;
    return resized;
}

TerminalSession::TerminalSession(bool read_keys, bool hide_cursor) {
    install_stop_signals();
    if (read_keys) fd_ = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ >= 0 && tcgetattr(fd_, &g_saved_input) == 0) {
        termios raw = g_saved_input;
        // No line editing and no echo; Ctrl-C still raises SIGINT, Ctrl-Z SIGTSTP.
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        g_raw_input_mode = raw;
        g_input_fd.store(fd_);
        g_keys_wanted.store(true);
        reading_ = true;
    }
    g_cursor_wanted.store(hide_cursor);
    take_terminal();
}

TerminalSession::~TerminalSession() {
    g_keys_wanted.store(false);
    g_cursor_wanted.store(false);
    give_terminal_back();
    if (fd_ >= 0) close(fd_);
}

std::string TerminalSession::read_available(int timeout_ms) {
    // Not while in the background: reading the terminal there stops the process. Brought to
    // the foreground (fg after bg sends no signal), the screen is drawn afresh.
    if (reading_ && !g_raw_input.load() && take_terminal()) g_resized = 1;
    if (!reading_ || !g_raw_input.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
        return {};
    }
    std::string bytes;
    pollfd input{fd_, POLLIN, 0};
    if (poll(&input, 1, timeout_ms) <= 0) return bytes;
    if ((input.revents & POLLIN) == 0) {
        reading_ = false;  // the terminal went away: no more keys
        return bytes;
    }
    char buffer[64];
    const ssize_t got = read(fd_, buffer, sizeof buffer);
    if (got > 0) bytes.assign(buffer, static_cast<size_t>(got));
    return bytes;
}

void TerminalSession::show(const std::string& text) {
    if (fd_ < 0) return;
    ssize_t ignored = write(fd_, text.data(), text.size());
    (void)ignored;
}

}  // namespace qarvel_cli
