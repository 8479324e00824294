#include "qarvel/render_progress.h"

#if !defined(_WIN32)
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <string>

namespace qarvel_cli {

RenderProgress::RenderProgress(size_t files, bool enabled)
    : fractions_(files, 0.0), enabled_(enabled) {}

RenderProgress::~RenderProgress() {
    std::lock_guard<std::mutex> hold(lock_);
    clear_locked();
}

void RenderProgress::update(size_t index, double fraction) {
    if (!enabled_ || index >= fractions_.size()) return;
    std::lock_guard<std::mutex> hold(lock_);
    fractions_[index] = std::clamp(fraction, 0.0, 1.0);
    const auto now = std::chrono::steady_clock::now();
    if (now - last_draw_ < std::chrono::milliseconds(100)) return;
    last_draw_ = now;
    draw_locked();
}

void RenderProgress::print_line(const std::string& line) {
    std::lock_guard<std::mutex> hold(lock_);
    clear_locked();
    std::fprintf(stderr, "%s\n", line.c_str());
    if (enabled_) draw_locked();
}

namespace {

// The terminal's width in columns (80 when it cannot be told).
int terminal_columns() {
#if !defined(_WIN32)
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
    return 80;
}

}  // namespace

void RenderProgress::draw_locked() {
    double total = 0.0;
    size_t done = 0;
    for (double f : fractions_) {
        total += f;
        if (f >= 1.0) ++done;
    }
    const double share = fractions_.empty() ? 1.0 : total / static_cast<double>(fractions_.size());
    // The line stays within the terminal's width (less one column, so that the cursor never
    // wraps), the bar taking what the text leaves, up to 40 characters.
    char counts[64];
    std::snprintf(counts, sizeof counts, " %3d%%  %zu/%zu files", static_cast<int>(share * 100),
                  done, fractions_.size());
    const int room =
        terminal_columns() - 1 -
        static_cast<int>(std::string("qarvel: []").size() + std::string(counts).size());
    const int width = std::min(room, 40);
    std::string bar;
    if (width >= 5) {
        bar = std::string(static_cast<size_t>(share * width), '#');
        bar.resize(static_cast<size_t>(width), '-');
        bar = "[" + bar + "]";
    }
    std::fprintf(stderr, "\rqarvel: %s%s", bar.c_str(), counts);
    std::fflush(stderr);
    drawn_ = true;
}

void RenderProgress::clear_locked() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    drawn_ = false;
}

}  // namespace qarvel_cli
