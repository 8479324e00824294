#include "shell/host_texts.h"

#include <cstdlib>
#include <cstring>

#include "shell/console.h"

namespace tarnwick {
namespace {

// One owned copy. Constant-initialised, so it is valid before any initialiser runs.
class HostTextCopy {
  public:
    constexpr HostTextCopy() = default;
    ~HostTextCopy() { std::free(text_); }
    HostTextCopy(const HostTextCopy&) = delete;
    HostTextCopy& operator=(const HostTextCopy&) = delete;

    void replace(const char* text) {
        const size_t length = text != nullptr ? std::strlen(text) : 0;
        // A fresh allocation rather than realloc, so that `text` may even be our own copy.
        char* copy = length > 0 ? static_cast<char*>(std::malloc(length + 1)) : nullptr;
        if (copy != nullptr) std::memcpy(copy, text, length + 1);
        std::free(text_);
        text_ = copy;  // none for an empty text, and none when no memory could be had
    }
    const char* text() const { return text_ != nullptr ? text_ : ""; }

  private:
    char* text_ = nullptr;
};

// Freed at library shutdown; the console stops pointing at the file name first.
struct HostTexts {
    constexpr HostTexts() = default;
    ~HostTexts() { set_plugin_file_name(nullptr); }

    HostTextCopy first;
    HostTextCopy file_name;
    bool flag = false;
};

constinit HostTexts g_texts;

}  // namespace

void set_host_texts(const char* first, const char* second) {
    g_texts.first.replace(first);
    g_texts.file_name.replace(second);
    set_plugin_file_name(g_texts.file_name.text());
}

const char* host_text_first() {
    return g_texts.first.text();
}
const char* host_file_name() {
    return g_texts.file_name.text();
}

void set_host_flag(bool flag) {
    g_texts.flag = flag;
}
bool host_flag() {
    return g_texts.flag;
}

}  // namespace tarnwick
