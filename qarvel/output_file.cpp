#include "qarvel/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace qarvel_cli {
namespace {

namespace fs = std::filesystem;

// The temporary files being written, in a table a signal handler can read: a slot's path is
// complete whenever its state is kReady.
constexpr int kFree = 0;
constexpr int kFilling = 1;
constexpr int kReady = 2;
constexpr size_t kSlots = 256;  // -j takes at most 256 files at once
constexpr size_t kPathBytes = 4096;
struct Slot {
    std::atomic<int> state{kFree};
    char path[kPathBytes];
};
std::array<Slot, kSlots> slots;
std::atomic<int> noted_signal{0};

int register_temporary(const std::string& path) {
    if (path.size() >= kPathBytes) return -1;
    for (size_t i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
        slots[i].state.store(kReady, std::memory_order_release);
        return static_cast<int>(i);
    }
    return -1;
}

void release_temporary(int slot) {
    if (slot >= 0) slots[static_cast<size_t>(slot)].state.store(kFree, std::memory_order_release);
}

void on_interrupt(int signal_number) {
#if defined(_WIN32)
    noted_signal.store(signal_number);
#else
    for (Slot& slot : slots) {
        if (slot.state.load(std::memory_order_acquire) == kReady) ::unlink(slot.path);
    }
    // The progress bar goes too, so that the shell's next line starts clean.
    if (isatty(STDERR_FILENO)) {
        const ssize_t ignored = ::write(STDERR_FILENO, "\r\033[K", 4);
        (void)ignored;
    }
    // Ends the process by the same signal, as the shell expects of an interrupted program.
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
#endif
}

// The file a chain of symlinks ends at (the path itself when it is none); "" for a loop.
fs::path link_target(const fs::path& path) {
    fs::path at = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(at, ec)) return at;
        const fs::path next = fs::read_symlink(at, ec);
        if (ec) return at;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return {};
}

std::string why(const std::string& path) {
    return "cannot write " + path + ": " + std::strerror(errno);
}

}  // namespace

bool OutputFile::open(const std::string& path, std::string* error) {
    discard();
    path_ = path;
    if (path == "-") {
#if defined(_WIN32)
        _setmode(_fileno(stdout), _O_BINARY);  // no newline translation of samples
#endif
        stream_ = stdout;
        return true;
    }
    const fs::path target = link_target(path);
    if (target.empty()) {
        *error = "cannot write " + path + ": too many levels of symbolic links";
        return false;
    }
    final_ = target.string();
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (fs::is_directory(status)) {
        *error = "cannot write " + path + ": it is a folder";
        return false;
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        // A device or a FIFO: written in place, never created, truncated or replaced.
#if defined(_WIN32)
        stream_ = std::fopen(final_.c_str(), "wb");
#else
        const int descriptor = ::open(final_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (descriptor >= 0 && isatty(descriptor)) {
            ::close(descriptor);
            *error = "cannot write " + path + ": it is a terminal";
            return false;
        }
        stream_ = descriptor >= 0 ? fdopen(descriptor, "wb") : nullptr;
        if (stream_ == nullptr && descriptor >= 0) ::close(descriptor);
#endif
        if (stream_ == nullptr) *error = why(path);
        return stream_ != nullptr;
    }
    temporary_ = final_ + ".partial";
    slot_ = register_temporary(temporary_);
    stream_ = std::fopen(temporary_.c_str(), "wb");
    if (stream_ == nullptr) {
        *error = why(temporary_);
        release_temporary(slot_);
        slot_ = -1;
        temporary_.clear();
        return false;
    }
#if !defined(_WIN32)
    // A file replaced keeps its permissions.
    struct stat existing {};
    if (stat(final_.c_str(), &existing) == 0) fchmod(fileno(stream_), existing.st_mode & 07777);
#endif
    return true;
}

std::string OutputFile::shown_name() const {
    return path_ == "-" ? "standard output" : path_;
}

void OutputFile::close_stream() {
    if (stream_ != nullptr && stream_ != stdout) std::fclose(stream_);
    stream_ = nullptr;
}

bool OutputFile::commit(std::string* error) {
    if (stream_ == nullptr) {
        *error = "cannot write " + shown_name() + ": not open";
        return false;
    }
    bool ok = std::fflush(stream_) == 0;
    if (stream_ == stdout) {
        stream_ = nullptr;
        if (!ok) *error = std::string("cannot write to standard output: ") + std::strerror(errno);
        return ok;
    }
    ok = std::fclose(stream_) == 0 && ok;
    stream_ = nullptr;
    if (!ok) {
        *error = why(temporary_.empty() ? path_ : temporary_);
        discard();
        return false;
    }
    if (temporary_.empty()) return true;
    // std::filesystem::rename replaces an existing file on Windows too.
    std::error_code ec;
    fs::rename(temporary_, final_, ec);
    if (ec) {
        *error = "cannot write " + path_ + ": " + ec.message();
        discard();
        return false;
    }
    release_temporary(slot_);
    slot_ = -1;
    temporary_.clear();
    return true;
}

void OutputFile::discard() {
    close_stream();
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    release_temporary(slot_);
    slot_ = -1;
    temporary_.clear();
}

void install_interrupt_cleanup() {
#if defined(_WIN32)
    for (int s : {SIGINT, SIGTERM}) std::signal(s, on_interrupt);  // noted; see interruption()
#else
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, s);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        // A signal the process was started ignoring (nohup, a background job) stays ignored.
        if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(s, &action, nullptr);
    }
#endif
}

int interruption() {
    return noted_signal.load();
}

}  // namespace qarvel_cli
