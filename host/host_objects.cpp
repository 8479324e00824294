#include "host/host_objects.h"

#include <fcntl.h>
#include <sys/stat.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace standin {

qarvel::Service* StderrConsole::query(const qarvel::ClassId& id) {
    return id == qarvel::kConsoleClassId ? this : nullptr;
}

namespace {
thread_local std::string console_subject;

// "a FIFO", "a folder", ... for a file type that is not a regular file.
std::string kind_of(unsigned mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode)) return "a character device";
#if !defined(_WIN32)
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
#endif
    return "not a regular file";
}

std::string size_refusal(uint64_t size, uint64_t largest) {
    const auto mb = [](uint64_t bytes) { return std::to_string((bytes + 999'999) / 1'000'000); };
    return "file too large (" + mb(size) + " MB; the limit is " + mb(largest) + " MB)";
}
}  // namespace

ConsoleSubject::ConsoleSubject(const std::string& name) : previous_(console_subject) {
    console_subject = name;
}

ConsoleSubject::~ConsoleSubject() {
    console_subject = previous_;
}

void StderrConsole::print(int32_t /*severity*/, const char* message, const char* source) {
    std::lock_guard<std::mutex> hold(lock_);
    const std::string subject = console_subject.empty() ? "" : console_subject + ": ";
    std::fprintf(stderr, "qarvel: %s%s: %s\n", subject.c_str(), source != nullptr ? source : "",
                 message != nullptr ? message : "");
}

std::string non_file_kind(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return "";
    return kind_of(info.st_mode);
}

qarvel::Service* ConsoleServices::find_service(const qarvel::ClassId& id, uint32_t index) {
    if (console_ == nullptr || index != 0 || !(id == qarvel::kConsoleClassId)) return nullptr;
    console_->add_reference();
    return console_;
}

uint32_t MemoryFile::read(void* destination, uint32_t byte_count) {
    const size_t n = std::min<size_t>(byte_count, size_ - position_);
    if (n > 0) std::memcpy(destination, bytes_ + position_, n);
    position_ += n;
    return static_cast<uint32_t>(n);
}

uint32_t MemoryFile::size() {
    return size_ >= qarvel::kUnknownFileSize ? qarvel::kUnknownFileSize
                                             : static_cast<uint32_t>(size_);
}

DiskFile::~DiskFile() {
    if (file_ != nullptr) std::fclose(file_);
}

bool DiskFile::open(const std::string& path, std::string* error, uint64_t largest) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
#if defined(_WIN32)
    // Windows has no FIFOs that an open waits on; a device name opens at once too.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    const int descriptor = fileno(file);
#else
    // Opened without waiting (a FIFO with no writer would wait for one) and examined before
    // the first read; regular files never wait, so the flag is cleared again.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        *error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    std::FILE* file = nullptr;
#endif
    struct stat info {};
    std::string refusal;
    if (fstat(descriptor, &info) != 0) {
        refusal = std::string("cannot open: ") + std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        refusal = "not a regular file (" + kind_of(info.st_mode) + ")";
    } else if (static_cast<uint64_t>(info.st_size) > largest) {
        refusal = size_refusal(static_cast<uint64_t>(info.st_size), largest);
    }
#if !defined(_WIN32)
    if (refusal.empty()) {
        const int flags = fcntl(descriptor, F_GETFL);
        if (flags < 0 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
            (file = fdopen(descriptor, "rb")) == nullptr) {
            refusal = std::string("cannot open: ") + std::strerror(errno);
        }
    }
    if (!refusal.empty() && file == nullptr) ::close(descriptor);
#endif
    if (!refusal.empty()) {
        if (file != nullptr) std::fclose(file);
        *error = refusal;
        return false;
    }
    file_ = file;
    size_ = static_cast<uint64_t>(info.st_size);
    return true;
}

size_t DiskFile::peek(void* destination, size_t count) {
    if (file_ == nullptr || count == 0) return 0;
    const size_t got = std::fread(destination, 1, count, file_);
    std::rewind(file_);
    return got;
}

uint32_t DiskFile::read(void* destination, uint32_t byte_count) {
    if (file_ == nullptr || byte_count == 0) return 0;
    return static_cast<uint32_t>(std::fread(destination, 1, byte_count, file_));
}

uint32_t DiskFile::size() {
    return size_ >= qarvel::kUnknownFileSize ? qarvel::kUnknownFileSize
                                             : static_cast<uint32_t>(size_);
}

// The recorder copies what it keeps; a copy that cannot be made is dropped, since these slots
// cannot fail.
void TrackReport::set_tag(const char* name, const char* value) {
    try {
        tags_.emplace_back(name != nullptr ? name : "", value != nullptr ? value : "");
    } catch (...) {
    }
}

void TrackReport::set_technical(const char* name, const char* value) {
    try {
        technical_.emplace_back(name != nullptr ? name : "", value != nullptr ? value : "");
    } catch (...) {
    }
}

void TrackReport::set_length(double seconds) {
    length_seconds_ = seconds;
}

double* BlockBuffer::resize(uint32_t sample_count) {
    try {
        if (samples_.size() < sample_count) samples_.resize(sample_count);
    } catch (...) {
        return nullptr;
    }
    return samples_.empty() ? nullptr : samples_.data();
}

bool BlockBuffer::consistent() const {
    return channels_ > 0 && static_cast<uint64_t>(frames_) * channels_ <= samples_.size();
}

void BlockBuffer::drop_front(uint64_t frames) {
    const uint32_t dropped = static_cast<uint32_t>(std::min<uint64_t>(frames, frames_));
    const size_t from = static_cast<size_t>(dropped) * channels_;
    const size_t count = static_cast<size_t>(frames_ - dropped) * channels_;
    if (count > 0) std::memmove(samples_.data(), samples_.data() + from, count * sizeof(double));
    frames_ -= dropped;
}

bool TextResult::append(const char* text, uint32_t limit) {
    if (text == nullptr) return true;
    const size_t n = limit == qarvel::kNoTextLimit ? std::strlen(text) : strnlen(text, limit);
    try {
        text_.append(text, n);
    } catch (...) {
        return false;
    }
    return true;
}

bool TextResult::assign(const char* text, uint32_t limit) {
    std::string kept;
    kept.swap(text_);
    if (append(text, limit)) return true;
    kept.swap(text_);
    return false;
}

void TextResult::truncate(uint32_t new_length) {
    if (new_length < text_.size()) text_.resize(new_length);
}

uint32_t ByteWriter::write(const void* bytes, uint32_t count) {
    if (bytes == nullptr) return 0;
    const auto* p = static_cast<const uint8_t*>(bytes);
    try {
        bytes_.insert(bytes_.end(), p, p + count);
    } catch (...) {
        return 0;
    }
    return count;
}

}  // namespace standin
