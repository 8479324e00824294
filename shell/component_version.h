#pragma once
// The component-version service: the plug-in's name, its edition's version text, an about
// text and the file name the host gave. Static: it is never destroyed, and its texts are
// constants made at compile time (the about text's second line names the edition).

#include <array>
#include <cstddef>

#include "qarvel/plugin_abi.h"
#include "shell/edition.h"
#include "shell/static_service.h"

namespace tarnwick {

// The texts joined into one NUL-terminated array at compile time.
template <size_t... Sizes>
constexpr std::array<char, (Sizes + ...) - sizeof...(Sizes) + 1> join_texts(
    const char (&... parts)[Sizes]) {
    std::array<char, (Sizes + ...) - sizeof...(Sizes) + 1> joined{};
    size_t at = 0;
    auto append = [&](const char* part, size_t size) {
        for (size_t i = 0; i + 1 < size; ++i) joined[at++] = part[i];
    };
    (append(parts, Sizes), ...);
    joined[at] = '\0';
    return joined;
}

inline constexpr const char kComponentName[] = "tarnwick";

// First line: what the plug-in is; second: its edition; then where to reach the project.
inline constexpr auto kAboutText = join_texts(
    "DMF tracker module decoder for qarvel\n", kEditionLine, "\n",
    "Contact: the tarnwick project <tarnwick@example.org>\n", "https://example.org/tarnwick");

class ComponentVersionService final : public StaticService<qarvel::ComponentVersion> {
  public:
    constexpr ComponentVersionService(const char* name, const char* version, const char* about)
        : name_(name), version_(version), about_(about) {}

    // Slot 3. The host's file name (ComponentEntry slot 5), or "" before it was given.
    void file_name(qarvel::HostTextResult* out) noexcept override;
    // Slot 4.
    void name(qarvel::HostTextResult* out) noexcept override;
    // Slot 5.
    void version(qarvel::HostTextResult* out) noexcept override;
    // Slot 6.
    void about(qarvel::HostTextResult* out) noexcept override;

  private:
    const char* name_;
    const char* version_;
    const char* about_;  // null reads as ""
};

}  // namespace tarnwick
