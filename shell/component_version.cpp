#include "shell/component_version.h"

#include "shell/host_call.h"
#include "shell/host_texts.h"

namespace tarnwick {
namespace {

TARNWICK_CALLS_HOST void write_text(qarvel::HostTextResult* out, const char* text) {
    if (out != nullptr) out->assign(text != nullptr ? text : "", qarvel::kNoTextLimit);
}

}  // namespace

void ComponentVersionService::file_name(qarvel::HostTextResult* out) noexcept {
    write_text(out, host_file_name());
}

void ComponentVersionService::name(qarvel::HostTextResult* out) noexcept {
    write_text(out, name_);
}

void ComponentVersionService::version(qarvel::HostTextResult* out) noexcept {
    write_text(out, version_);
}

void ComponentVersionService::about(qarvel::HostTextResult* out) noexcept {
    write_text(out, about_);
}

}  // namespace tarnwick
