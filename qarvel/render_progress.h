#pragma once
// The progress bar of `qarvel render` on standard error, drawn only when standard error is a
// terminal. Per-file lines printed through it are placed above the bar. Thread-safe.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace qarvel_cli {

class RenderProgress {
  public:
    RenderProgress(size_t files, bool enabled);
    ~RenderProgress();
    // How far file `index` is, from 0 to 1; redrawn at most ten times a second.
    void update(size_t index, double fraction);
    // Prints one line (the bar is cleared first and redrawn after).
    void print_line(const std::string& line);

  private:
    void draw_locked();
    void clear_locked();

    std::mutex lock_;
    std::vector<double> fractions_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace qarvel_cli
