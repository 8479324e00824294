#include "decoder/decoder_service.h"

#include <cstring>
#include <new>

#include "decoder/track_info.h"
#include "shell/console.h"
#include "shell/host_call.h"

namespace tarnwick {

static_assert(alignof(DecoderService) <= alignof(std::max_align_t),
              "the service is placed in memory from a plain allocator");

DecoderService* create_decoder_service(const DecoderMemory& memory) {
    void* place = memory.allocate(sizeof(DecoderService));
    if (place == nullptr) return nullptr;
    return new (place) DecoderService(memory);
}

DecoderService::~DecoderService() {
    memory_.release(output_block_);
}

int32_t DecoderService::release() noexcept {
    const int32_t count = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) {
        const DecoderMemory memory = memory_;
        this->~DecoderService();
        memory.release(this);
    }
    return count;
}

int32_t DecoderService::add_reference() noexcept {
    return references_.fetch_add(1, std::memory_order_relaxed) + 1;
}

qarvel::Service* DecoderService::query(const qarvel::ClassId& id) noexcept {
    if (!(id == qarvel::kDecoderClassId)) return nullptr;
    add_reference();
    return this;
}

bool DecoderService::is_own_type(const char*, const char* extension) noexcept {
    if (extension == nullptr) return false;
    const char* expected = "dmf";
    for (int i = 0; i < 3; ++i) {
        const char c = extension[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != expected[i]) return false;  // also stops at a NUL before the third letter
    }
    return extension[3] == '\0';
}

TARNWICK_CALLS_HOST bool DecoderService::load(qarvel::HostFile& file) {
    const uint32_t size = file.size();
    if (size == qarvel::kUnknownFileSize) return false;

    auto* image = static_cast<uint8_t*>(memory_.allocate(size));
    if (image == nullptr) {
        console_message(kMessageNoFileMemory);
        return false;
    }
    uint32_t got = file.read(image, size);
    if (got > size) got = size;  // a host that claims more than it was asked for
    std::memset(image + got, 0, size - got);

    const bool loaded = module_.load_module(image, size);
    memory_.release(image);
    return loaded;
}

void DecoderService::configure(const DecoderSettings& settings, bool no_loop_flag) {
    output_rate_ = settings.output_rate();
    configure_playback(module_, settings, output_rate_, settings.looping(no_loop_flag));
}

TARNWICK_CALLS_HOST bool DecoderService::open(qarvel::HostFile* file, qarvel::HostTrackInfo* info,
                                              uint32_t flags) noexcept {
    if (opened_) return false;
    opened_ = true;
    if (file == nullptr) return false;
    const DecoderSettings settings = DecoderSettings::current();

    if (!load(*file)) return false;

    // Reported for every song loaded, whatever the flags; it also rewinds the song.
    const uint32_t seconds = module_.compute_length_seconds();
    if (info != nullptr) {
        info->set_length(static_cast<double>(seconds));
        if ((flags & qarvel::OPEN_INFO) != 0) {
            report_track_info(module_, settings.sample_rate, *info);
        }
    }
    if ((flags & qarvel::OPEN_DECODE) == 0) return true;

    output_block_ = static_cast<float*>(memory_.allocate(kDecodeBlockSamples * sizeof(float)));
    if (output_block_ == nullptr) {
        console_message(kMessageNoBlockMemory);
        return false;
    }
    configure(settings, (flags & qarvel::OPEN_NO_LOOP) != 0);
    return true;
}

TARNWICK_CALLS_HOST void DecoderService::deliver(qarvel::HostAudioChunk& chunk) const {
    double* storage = chunk.capacity() < kDecodeBlockSamples ? chunk.resize(kDecodeBlockSamples)
                                                             : chunk.storage();
    if (storage == nullptr) {
        chunk.set_frame_count(0);
        chunk.set_sample_rate(0);
        chunk.set_channel_count(0);
        return;
    }
    for (uint32_t i = 0; i < kDecodeBlockSamples; ++i) {
        storage[i] = static_cast<double>(output_block_[i]);
    }
    chunk.set_frame_count(kDecodeBlockFrames);
    chunk.set_channel_count(kDecodeChannels);
    chunk.set_sample_rate(output_rate_);
}

TARNWICK_CALLS_HOST int32_t DecoderService::decode(qarvel::HostAudioChunk* chunk) noexcept {
    if (output_block_ == nullptr) return 0;
    if (chunk != nullptr) chunk->set_sample_rate(output_rate_);

    for (uint32_t i = 0; i < kDecodeBlockSamples; ++i) output_block_[i] = 0.0f;
    const int32_t rendered = module_.render(output_block_, kDecodeBlockFrames);
    if (rendered < 0) {
        console_message(kMessageRenderError);
        return -1;
    }
    if (rendered == 0) return 0;
    // Frames past the song's end keep the zeros written above: the last block is padded.
    if (chunk != nullptr) deliver(*chunk);
    return 1;
}

}  // namespace tarnwick
