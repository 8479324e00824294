#pragma once
// Where an audio writer's bytes go, and how a file is put in place.
//
// Limits and choices:
// - "-" is standard output (binary on Windows).
// - A regular file, or a path where nothing is yet, is written as NAME.partial beside it and
//   renamed over it at the end, so that a failed or interrupted render leaves no half-written
//   file and keeps the file it would have replaced. A symlink is followed to the file it names:
//   that file is written and the link stays.
// - Anything else that exists at the path (a device such as /dev/null, a FIFO) is opened and
//   written in place, never replaced. A folder and a terminal are refused.
// - A stream (standard output, a device, a FIFO) cannot be rewritten: a writer whose header is
//   completed at the end assembles such output in memory.
// - SIGINT, SIGTERM and SIGHUP remove every NAME.partial still being written before the process
//   ends by the signal (install_interrupt_cleanup). On Windows, where an open file cannot be
//   removed, the signal is only noted (interruption()) and the render abandons its files.

#include <cstdio>
#include <string>

namespace qarvel_cli {

class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { discard(); }

    // Opens `path` for writing; false with a one-line reason in `error`.
    bool open(const std::string& path, std::string* error);
    std::FILE* stream() const { return stream_; }
    // Whether what was written can be rewritten (a temporary file), rather than a stream.
    bool seekable() const { return !temporary_.empty(); }
    // "standard output", or the path as given.
    std::string shown_name() const;
    // Flushes and closes, and renames a temporary file into place; false with the reason.
    bool commit(std::string* error);
    // Closes and removes the temporary file (a stream is left as it is).
    void discard();

  private:
    void close_stream();

    std::string path_;       // as given
    std::string final_;      // the file the links end at
    std::string temporary_;  // final_ + ".partial", or "" for a stream
    std::FILE* stream_ = nullptr;
    int slot_ = -1;  // in the interrupt cleanup's list
};

// The signals that end a render remove its temporary files first (see above).
void install_interrupt_cleanup();
// The signal noted on a platform where the handler cannot remove files (Windows), else 0.
int interruption();

}  // namespace qarvel_cli
