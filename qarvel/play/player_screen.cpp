#include "qarvel/play/player_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "qarvel/play/player_keys.h"

namespace qarvel_cli {
namespace {

constexpr double kMeterFloorDb = -48.0;
constexpr char kClipMark[] = " CLIP";

std::string bar(double fraction, size_t width) {
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    const size_t filled = static_cast<size_t>(std::lround(clamped * static_cast<double>(width)));
    return std::string(filled, '#') + std::string(width - filled, '-');
}

// A level meter on a decibel scale from -48 dB to full scale: "L [####------] -12.0 dB".
std::string meter(const char* side, float peak, size_t width) {
    const double db = peak > 0.0f ? 20.0 * std::log10(static_cast<double>(peak)) : -INFINITY;
    const double fraction = (std::max(db, kMeterFloorDb) - kMeterFloorDb) / -kMeterFloorDb;
    char level[16];
    if (db < kMeterFloorDb) {
        std::snprintf(level, sizeof level, "    -inf");
    } else {
        std::snprintf(level, sizeof level, "%+5.1f dB", db);
    }
    return std::string(side) + " [" + bar(fraction, width) + "] " + level;
}

bool continues_utf8(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Cut to `width` bytes, never inside a UTF-8 sequence (a character takes at least one byte per
// column, so the line then fits in `width` columns).
std::string fit(std::string line, size_t width) {
    if (line.size() <= width) return line;
    while (width > 0 && continues_utf8(line[width])) --width;
    line.resize(width);
    return line;
}

// `prefix` then as much of `text`'s end as fits in `width`, "..." marking what was left out.
std::string fit_tail(const std::string& prefix, const std::string& text, size_t width) {
    if (prefix.size() + text.size() <= width || width < prefix.size() + 4) {
        return fit(prefix + text, width);
    }
    size_t from = text.size() - (width - prefix.size() - 3);
    while (from < text.size() && continues_utf8(text[from])) ++from;
    return prefix + "..." + text.substr(from);
}

// The columns `line` takes (each UTF-8 sequence one).
size_t columns(const std::string& line) {
    return static_cast<size_t>(
        std::count_if(line.begin(), line.end(), [](char c) { return !continues_utf8(c); }));
}

std::string on_off(const char* name, bool on) {
    return std::string(name) + (on ? " on" : " off");
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

std::string printable(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return text;
}

std::vector<std::string> player_screen_lines(const PlayerView& view, size_t width) {
    // One column is left free: a line that fills the last column wraps on some terminals.
    const size_t room = std::max<size_t>(width, 40) - 1;
    const std::string none = "-";
    std::vector<std::string> lines;
    lines.push_back(
        fit_tail(std::to_string(view.position) + "/" + std::to_string(view.count) + "  ",
                 printable(view.name), room));
    lines.push_back("Title:   " + printable(view.title.empty() ? none : view.title));
    lines.push_back("Artist:  " + printable(view.artist.empty() ? none : view.artist) +
                    "    Tracker: " + printable(view.tracker.empty() ? none : view.tracker));
    const double fraction =
        view.length_seconds > 0.0 ? view.elapsed_seconds / view.length_seconds : 0.0;
    const size_t progress_width = std::clamp<size_t>(room - std::min<size_t>(room, 21), 10, 60);
    lines.push_back(clock_text(view.elapsed_seconds) + " / " + clock_text(view.length_seconds) +
                    "  [" + bar(fraction, progress_width) + "]");
    // Two meters of 13 columns beside their bars, 3 between them and room for the clip mark.
    const size_t meter_width = std::clamp<size_t>((room - std::min<size_t>(room, 34)) / 2, 4, 25);
    lines.push_back(meter("L", view.peak_left, meter_width) + "   " +
                    meter("R", view.peak_right, meter_width) + (view.clipping ? kClipMark : ""));
    lines.push_back(view.settings);
    lines.push_back(on_off("loop", view.loop) + "  " + on_off("shuffle", view.shuffle) + "  " +
                    on_off("repeat", view.repeat));
    lines.push_back("Underruns: " + std::to_string(view.underruns) + "    " + view.state);
    if (view.keys_shown) {
        lines.insert(lines.end(), std::begin(kKeyHelp), std::end(kKeyHelp));
    } else {
        lines.push_back("space pause  Left/Right seek  n/p song  h keys  q quit");
    }
    for (std::string& line : lines) line = fit(std::move(line), room);
    return lines;
}

std::string ScreenPainter::back_to_top(size_t width) const {
    // Each line shown takes one row, or more where a narrower terminal re-wrapped it.
    size_t rows = 0;
    for (const std::string& line : shown_) {
        rows += std::max<size_t>(1, (columns(line) + width - 1) / std::max<size_t>(width, 1));
    }
    return rows == 0 ? std::string("\r") : "\r\033[" + std::to_string(rows) + "A";
}

void ScreenPainter::draw(const std::vector<std::string>& lines, size_t width) {
    if (lines.empty() && shown_.empty()) return;
    std::string out = back_to_top(width);
    // Each row is cleared as its line is drawn (which also tells a terminal that re-wraps
    // lines that the row no longer continues the one above).
    for (const std::string& line : lines) out += "\033[2K" + line + "\n";
    // Whatever an earlier, longer screen left below. Never from the top left corner: some
    // terminals (tmux) keep a screen cleared from there in their history.
    if (!lines.empty()) out += "\033[J";
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
    shown_ = lines;
}

void ScreenPainter::print_above(const std::string& line, size_t width) {
    // The rows a message wider than the terminal wraps onto are cleared before it is written.
    const size_t rows =
        std::max<size_t>(1, (columns(line) + width - 1) / std::max<size_t>(width, 1));
    std::string out = back_to_top(width);
    for (size_t i = 1; i < rows; ++i) out += "\033[2K\n";
    out += "\033[2K";
    if (rows > 1) out += "\033[" + std::to_string(rows - 1) + "A";
    out += line + "\n";
    std::fwrite(out.data(), 1, out.size(), stderr);
    // The screen moves down below the message.
    const std::vector<std::string> screen = std::move(shown_);
    shown_.clear();
    draw(screen, width);
}

void ScreenPainter::start_afresh(size_t height) {
    const std::string out =
        "\033[" + std::to_string(height) + ";1H" + std::string(height, '\n') + "\033[H";
    std::fwrite(out.data(), 1, out.size(), stderr);
    shown_.clear();
}

void ScreenPainter::finish() {
    std::fflush(stderr);
    shown_.clear();
}

}  // namespace qarvel_cli
