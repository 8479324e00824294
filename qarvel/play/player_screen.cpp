#include "qarvel/play/player_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qarvel_cli {
namespace {

constexpr double kMeterFloorDb = -48.0;

std::string bar(double fraction, size_t width) {
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    const size_t filled = static_cast<size_t>(std::lround(clamped * static_cast<double>(width)));
    return std::string(filled, '#') + std::string(width - filled, '-');
}

// A level meter on a decibel scale from -48 dB to full scale.
std::string meter(const char* side, float peak, size_t width) {
    const double db = peak > 0.0f ? 20.0 * std::log10(static_cast<double>(peak)) : -INFINITY;
    const double fraction = (std::max(db, kMeterFloorDb) - kMeterFloorDb) / -kMeterFloorDb;
    char level[16];
    if (db < kMeterFloorDb) {
        std::snprintf(level, sizeof level, "   -inf");
    } else {
        std::snprintf(level, sizeof level, "%+5.1f dB", db);
    }
    return std::string(side) + " [" + bar(fraction, width) + "] " + level;
}

// Cut to `width` bytes, never inside a UTF-8 sequence.
std::string fit(std::string line, size_t width) {
    if (line.size() <= width) return line;
    while (width > 0 && (static_cast<unsigned char>(line[width]) & 0xC0) == 0x80) --width;
    line.resize(width);
    return line;
}

}  // namespace

std::string clock_text(double seconds) {
    const long total = std::max(0L, static_cast<long>(std::floor(seconds)));
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                      total % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    }
    return text;
}

std::vector<std::string> player_screen_lines(const PlayerView& view, size_t width) {
    width = std::max<size_t>(width, 40);
    const size_t bar_width = width > 40 ? std::min<size_t>(width - 24, 50) : 16;
    std::vector<std::string> lines;
    lines.push_back(std::to_string(view.position) + "/" + std::to_string(view.count) + "  " +
                    view.name);
    lines.push_back("Title:   " + (view.title.empty() ? std::string("-") : view.title));
    lines.push_back("Artist:  " + (view.artist.empty() ? std::string("-") : view.artist) +
                    "    Tracker: " + (view.tracker.empty() ? std::string("-") : view.tracker));
    const double fraction =
        view.length_seconds > 0.0 ? view.elapsed_seconds / view.length_seconds : 0.0;
    lines.push_back(clock_text(view.elapsed_seconds) + " / " + clock_text(view.length_seconds) +
                    "  [" + bar(fraction, bar_width) + "]");
    lines.push_back("Settings: " + view.settings);
    lines.push_back(meter("L", view.peak_left, bar_width / 2) + "   " +
                    meter("R", view.peak_right, bar_width / 2));
    lines.push_back("Underruns: " + std::to_string(view.underruns) + "    " + view.state);
    lines.push_back("space pause  Left/Right 10s  Up/Down 1min  n/p song  l loop  +/- vol  q quit");
    for (std::string& line : lines) line = fit(std::move(line), width);
    return lines;
}

void ScreenPainter::erase() {
    if (shown_.empty()) return;
    // Back to the first line drawn; each line is then cleared as it is rewritten.
    std::fprintf(stderr, "\r\033[%zuA", shown_.size());
}

void ScreenPainter::draw(const std::vector<std::string>& lines) {
    const size_t old_count = shown_.size();
    erase();
    for (const std::string& line : lines) std::fprintf(stderr, "\033[2K%s\n", line.c_str());
    // Lines the last screen had beyond this one's are cleared, and the cursor comes back.
    for (size_t i = lines.size(); i < old_count; ++i) std::fprintf(stderr, "\033[2K\n");
    if (old_count > lines.size()) std::fprintf(stderr, "\033[%zuA", old_count - lines.size());
    std::fflush(stderr);
    shown_ = lines;
}

void ScreenPainter::print_above(const std::string& line) {
    const std::vector<std::string> screen = shown_;
    erase();
    std::fprintf(stderr, "\033[2K%s\n", line.c_str());
    // The screen moves down a line; redrawing it covers every line it used before.
    shown_.clear();
    draw(screen);
}

void ScreenPainter::finish() {
    std::fflush(stderr);
    shown_.clear();
}

}  // namespace qarvel_cli
