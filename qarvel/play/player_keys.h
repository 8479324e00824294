#pragma once
// The player's keys, read from a terminal in raw mode: bytes in, key presses out. Cursor keys
// arrive as escape sequences, in either of the forms terminals send ("ESC [ A", "ESC O A").

#include <string>
#include <vector>

namespace qarvel_cli {

enum class PlayerKey {
    pause,          // space
    back_short,     // left: 10 s back
    forward_short,  // right: 10 s forward
    forward_long,   // up: one minute forward
    back_long,      // down: one minute back
    next_song,      // n
    previous_song,  // p
    toggle_loop,    // l
    volume_up,      // + (or =, its unshifted key)
    volume_down,    // - (or _)
    help,           // h or ?: show or hide the keys
    quit,           // q
};

// The keys as the screen's help and `play --help` list them, one "key  what it does" a line.
inline constexpr const char* kKeyHelp[] = {
    "space       pause / resume",
    "Left/Right  10 seconds back / forward",
    "Up/Down     one minute forward / back",
    "n / p       next / previous song",
    "l           loop on / off",
    "+ / -       mixing volume up / down by 0.05 (0.1 to 1.0)",
    "h / ?       show / hide the keys",
    "q           quit",
};

class KeyDecoder {
  public:
    // The keys that `bytes` completes; an escape sequence cut short waits for the next bytes.
    // Bytes that are no key of the player are dropped.
    std::vector<PlayerKey> feed(const std::string& bytes);

  private:
    std::string pending_;
};

}  // namespace qarvel_cli
