#include "host/host_objects.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace standin {

qarvel::Service* StderrConsole::query(const qarvel::ClassId& id) {
    return id == qarvel::kConsoleClassId ? this : nullptr;
}

void StderrConsole::print(int32_t /*severity*/, const char* message, const char* source) {
    std::lock_guard<std::mutex> hold(lock_);
    std::fprintf(stderr, "%s: %s\n", source != nullptr ? source : "",
                 message != nullptr ? message : "");
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

bool DiskFile::open(const std::string& path, std::string* error) {
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        *error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (fstat(fileno(file_), &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = "not a regular file";
        return false;
    }
    size_ = static_cast<uint64_t>(info.st_size);
    return true;
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
