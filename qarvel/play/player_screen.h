#pragma once
// The player's screen on standard error: a few lines redrawn in place (the cursor moved back
// up over them), with messages such as a refused file printed above them so that they stay.
// Plain ASCII, so that any terminal and locale shows it alike.
//
// Limits and choices:
// - Every line of the screen is cut to one column less than the terminal's width, so that no
//   line wraps, whatever the terminal does in its last column; each row is cleared as its line
//   is drawn, and whatever lay below the screen is cleared after it.
// - A terminal that was narrowed may have re-wrapped the lines already shown (tmux, VTE and
//   others do), and a screen drawn just before a resize may reach the terminal after it: after
//   a resize the screen starts afresh at the top of the window, what the window showed moved
//   into the terminal's scrollback.
// - Messages above the screen are not cut: they may wrap, onto rows cleared first.
// - Control characters in song texts (a hostile file's title) are shown as '?', so that a
//   song cannot move the cursor or change the terminal.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qarvel_cli {

// What the screen shows.
struct PlayerView {
    size_t position = 0;  // 1-based place in the playlist
    size_t count = 0;
    std::string name;  // the file
    std::string title;
    std::string artist;
    std::string tracker;
    double elapsed_seconds = 0.0;
    double length_seconds = 0.0;
    std::string settings;  // the settings in force, as text
    bool loop = false;
    bool shuffle = false;
    bool repeat = false;
    float peak_left = 0.0f;
    float peak_right = 0.0f;
    bool clipping = false;  // the output went beyond full scale a moment ago
    uint32_t underruns = 0;
    std::string state;  // "playing", "paused", "seeking to 1:20 ...", ...
    bool keys_shown = false;
};

// "m:ss" (or "h:mm:ss").
std::string clock_text(double seconds);

// `text` with control characters replaced by '?'.
std::string printable(std::string text);

// The screen's lines for `view`, each shorter than `width` columns.
std::vector<std::string> player_screen_lines(const PlayerView& view, size_t width);

class ScreenPainter {
  public:
    // Replaces the lines drawn last with `lines`, on a terminal `width` columns wide.
    void draw(const std::vector<std::string>& lines, size_t width);
    // Prints `line` where the screen was and draws the screen again below it.
    void print_above(const std::string& line, size_t width);
    // Scrolls everything the window (`height` rows) shows into the terminal's scrollback; the
    // next screen is drawn at the top.
    void start_afresh(size_t height);
    // Leaves the last screen as it is and moves below it.
    void finish();

  private:
    // Back to the screen's first row.
    std::string back_to_top(size_t width) const;
    std::vector<std::string> shown_;
};

}  // namespace qarvel_cli
