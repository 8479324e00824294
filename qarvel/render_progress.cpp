#include "qarvel/render_progress.h"

#include <algorithm>
#include <cstdio>

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

void RenderProgress::draw_locked() {
    constexpr int kWidth = 40;
    double total = 0.0;
    size_t done = 0;
    for (double f : fractions_) {
        total += f;
        if (f >= 1.0) ++done;
    }
    const double share = fractions_.empty() ? 1.0 : total / static_cast<double>(fractions_.size());
    const int filled = static_cast<int>(share * kWidth);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kWidth, '-');
    std::fprintf(stderr, "\r[%s] %3d%%  %zu/%zu files", bar.c_str(), static_cast<int>(share * 100),
                 done, fractions_.size());
    std::fflush(stderr);
    drawn_ = true;
}

void RenderProgress::clear_locked() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    drawn_ = false;
}

}  // namespace qarvel_cli
