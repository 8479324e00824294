#pragma once
// What the tests' sound server was given: a recording of its null sink's monitor (parec, raw
// 32-bit float stereo at 44100 Hz), and the recording cut into stretches that each equal a
// stretch of a reference (a song rendered by `qarvel render --format f32`).
//
// The device path is float from end to end (the sink is float32le at the songs' rate, so the
// server neither converts nor resamples): frames must match to within float rounding. Silence
// the server inserted (before the start, during a pause or a re-open) is skipped.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tarnwick::sound_test {

inline constexpr int kRate = 44100;
inline constexpr const char* kMonitor = "qarvel_test.monitor";

using Frames = std::vector<float>;  // interleaved stereo

inline Frames read_frames(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    Frames out(bytes.size() / (2 * sizeof(float)) * 2);
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(float));
    return out;
}

// Records the sink's monitor into a file from construction to stop().
class Recorder {
  public:
    explicit Recorder(std::filesystem::path file) : file_(std::move(file)) {
        const std::string out = file_.string();
        std::vector<std::string> args = {
            "parec",        "-d",           kMonitor, "--format=float32le",
            "--rate=44100", "--channels=2", "--raw",  out};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "parec", nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
        // Recording has begun once the monitor's silence reaches the file.
        for (int i = 0; i < 100 && started(); ++i) {
            std::error_code ec;
            if (std::filesystem::file_size(file_, ec) > 4096 && !ec) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~Recorder() { stop(); }
    bool started() const { return pid_ > 0; }

    Frames stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = 0;
        }
        return read_frames(file_);
    }

  private:
    std::filesystem::path file_;
    pid_t pid_ = 0;
};

// A stretch of the recording equal to a stretch of reference `reference`.
struct Stretch {
    size_t reference = 0;
    size_t recorded_at = 0;  // frames
    size_t reference_at = 0;
    size_t frames = 0;
};

struct Matching {
    std::vector<Stretch> stretches;
    size_t unmatched_frames = 0;  // sounding frames found in no reference
};

// "ref 0 at 0 for 5000 frames (recorded at 100)", one stretch a line, for failure messages.
inline std::string describe(const Matching& m) {
    std::string out;
    for (const Stretch& s : m.stretches) {
        out += "ref " + std::to_string(s.reference) + " at " + std::to_string(s.reference_at) +
               " for " + std::to_string(s.frames) + " frames (recorded at " +
               std::to_string(s.recorded_at) + ")\n";
    }
    return out + std::to_string(m.unmatched_frames) + " frames unmatched\n";
}

inline bool same_frame(const Frames& a, size_t i, const Frames& b, size_t j) {
    constexpr float kTolerance = 1e-6f;
    return std::fabs(a[2 * i] - b[2 * j]) <= kTolerance &&
           std::fabs(a[2 * i + 1] - b[2 * j + 1]) <= kTolerance;
}

// Walks the recording: silent frames that continue no stretch are skipped; a sounding frame
// starts a stretch where the next kProbe frames equal a place in a reference. Each reference
// is searched from where its last stretch ended (a pause resumes there, a seek forward lands
// after it), then from its start.
inline Matching match_recording(const Frames& recorded, const std::vector<Frames>& references) {
    constexpr size_t kProbe = 1024;
    const size_t frames = recorded.size() / 2;
    std::vector<size_t> resume(references.size(), 0);
    Matching m;
    const auto starts_here = [&](size_t i, const Frames& ref, size_t j) {
        const size_t ref_frames = ref.size() / 2;
        size_t k = 0;
        while (k < kProbe && i + k < frames && j + k < ref_frames &&
               same_frame(recorded, i + k, ref, j + k)) {
            ++k;
        }
        return k == kProbe || i + k == frames;
    };
    size_t i = 0;
    while (i < frames) {
        if (recorded[2 * i] == 0.0f && recorded[2 * i + 1] == 0.0f) {
            ++i;
            continue;
        }
        bool found = false;
        for (size_t r = 0; r < references.size() && !found; ++r) {
            const Frames& ref = references[r];
            const size_t ref_frames = ref.size() / 2;
            for (size_t n = 0; n < ref_frames && !found; ++n) {
                const size_t j = (resume[r] + n) % ref_frames;
                if (!starts_here(i, ref, j)) continue;
                size_t length = 0;
                while (i + length < frames && j + length < ref_frames &&
                       same_frame(recorded, i + length, ref, j + length)) {
                    ++length;
                }
                m.stretches.push_back({r, i, j, length});
                resume[r] = j + length;
                i += length;
                found = true;
            }
        }
        if (!found) {
            // Skip a block, so that a recording of something else cannot take forever.
            const size_t skip = std::min<size_t>(512, frames - i);
            m.unmatched_frames += skip;
            i += skip;
        }
    }
    return m;
}

}  // namespace tarnwick::sound_test
