#pragma once
// The player's screen on standard error: a few lines redrawn in place (the cursor moved back
// up over them), with messages such as a refused file printed above them so that they stay.
// Plain ASCII, so that any terminal and locale shows it alike.

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
    float peak_left = 0.0f;
    float peak_right = 0.0f;
    uint32_t underruns = 0;
    std::string state;  // "playing", "paused", "seeking to 1:20 ...", ...
};

// "m:ss" (or "h:mm:ss").
std::string clock_text(double seconds);

// The screen's lines for `view`, each at most `width` columns.
std::vector<std::string> player_screen_lines(const PlayerView& view, size_t width);

class ScreenPainter {
  public:
    // Replaces the lines drawn last with `lines`.
    void draw(const std::vector<std::string>& lines);
    // Prints `line` where the screen was and draws the screen again below it.
    void print_above(const std::string& line);
    // Leaves the last screen as it is and moves below it.
    void finish();

  private:
    void erase();
    std::vector<std::string> shown_;
};

}  // namespace qarvel_cli
