#include "qarvel/play/terminal_session.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace qarvel_cli {
namespace {

constexpr char kShowCursor[] = "\033[?25h";
constexpr char kHideCursor[] = "\033[?25l";

// State the signal handlers read: plain flags and the saved terminal settings.
volatile sig_atomic_t g_stop_signal = 0;
volatile sig_atomic_t g_resized = 0;
std::atomic<bool> g_raw_input{false};
std::atomic<bool> g_cursor_hidden{false};
std::atomic<int> g_input_fd{-1};
termios g_saved_input{};

// Async-signal-safe: tcsetattr and write only.
void give_terminal_back() {
    if (g_raw_input.exchange(false)) tcsetattr(g_input_fd.load(), TCSAFLUSH, &g_saved_input);
    if (g_cursor_hidden.exchange(false)) {
        ssize_t ignored = write(STDERR_FILENO, kShowCursor, sizeof kShowCursor - 1);
        (void)ignored;
    }
}

void on_stop_signal(int signal_number) {
    g_stop_signal = signal_number;
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
    struct sigaction stop {};
    stop.sa_handler = on_stop_signal;
    sigemptyset(&stop.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &stop, nullptr);
    struct sigaction crash {};
    crash.sa_handler = on_crash_signal;
    sigemptyset(&crash.sa_mask);
    crash.sa_flags = SA_RESETHAND;
    for (int s : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) sigaction(s, &crash, nullptr);
    // Restarted, so that no write of the screen is cut short; the wait for keys (poll) still
    // returns early.
    struct sigaction resize {};
    resize.sa_handler = on_resize;
    sigemptyset(&resize.sa_mask);
    resize.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &resize, nullptr);
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
    // Only the terminal's foreground process may read it or change its mode; a background one
    // would be stopped for trying.
    if (fd_ >= 0 && tcgetpgrp(fd_) == getpgrp() && tcgetattr(fd_, &g_saved_input) == 0) {
        termios raw = g_saved_input;
        // No line editing and no echo; Ctrl-C still raises SIGINT.
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        g_input_fd.store(fd_);
        if (tcsetattr(fd_, TCSAFLUSH, &raw) == 0) {
            g_raw_input.store(true);
            reading_ = true;
        }
    }
    if (hide_cursor) {
        ssize_t ignored = write(STDERR_FILENO, kHideCursor, sizeof kHideCursor - 1);
        (void)ignored;
        g_cursor_hidden.store(true);
    }
}

TerminalSession::~TerminalSession() {
    give_terminal_back();
    if (fd_ >= 0) close(fd_);
}

std::string TerminalSession::read_available(int timeout_ms) {
    if (!reading_) {
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
