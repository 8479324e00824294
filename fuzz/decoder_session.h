#pragma once
// One host's session with a decoder service, chosen by a fuzz input: stored settings handed
// back by the host, a file opened with some flags through a host that may misbehave, then
// decode calls until the song ends. Used by the decoder-service fuzz target and replayed by
// the regression tests, so both judge an input the same way.
//
// Input layout: a control byte, a little-endian u16 length L, L bytes of stored settings (fewer
// when the input ends first), then the file.
//   bit 0  OPEN_INFO
//   bit 1  OPEN_DECODE
//   bit 2  OPEN_NO_LOOP
//   bit 3  every read of the file copies at most half of it (a host that reads short)
//   bit 4  the host claims the file is 4096 bytes longer than it is; with bit 3 too, that it
//          does not know the size
//   bit 5  the audio chunk can provide no storage
//   bit 6  the chunk starts with 100 samples of storage, too few for a block
//   bit 7  the host tries a second open on the same service

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decoder/decoder_service.h"
#include "shell/config_var.h"
#include "shell/console.h"
#include "tests/support/playback_settings.h"
#include "tests/support/test_host.h"

namespace tarnwick::fuzz {

// Whether `text` is well-formed UTF-8 (shortest forms, no surrogates, at most U+10FFFF).
inline bool is_utf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        size_t extra;
        uint32_t code;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            code = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            code = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            code = lead & 0x07u;
        } else {
            return false;
        }
        if (text.size() - i <= extra) return false;  // cut short
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3Fu);
        }
        static constexpr uint32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// Runs the session; returns what went wrong, or "" when every promise held. At most
// `max_blocks` blocks are decoded.
inline std::string run_decoder_session(const uint8_t* data, size_t size, uint32_t max_blocks = 32) {
    if (size < 3) return "";
    const uint8_t control = data[0];
    size_t settings_size = size_t{data[1]} | size_t{data[2]} << 8;
    data += 3;
    size -= 3;
    if (settings_size > size) settings_size = size;

    test::store_settings({});
    {
        // An exact heap copy, so that a read past the blob is caught.
        const std::vector<uint8_t> blob(data, data + settings_size);
        ConfigVar::load_all(blob.empty() ? nullptr : blob.data(), blob.size());
    }
    test_host::BytesFile file(std::vector<uint8_t>(data + settings_size, data + size));
    const size_t file_size = size - settings_size;

    uint32_t flags = 0;
    if (control & 1u) flags |= qarvel::OPEN_INFO;
    if (control & 2u) flags |= qarvel::OPEN_DECODE;
    if (control & 4u) flags |= qarvel::OPEN_NO_LOOP;
    if ((control & 8u) && (control & 16u)) {
        file.report_size(qarvel::kUnknownFileSize);
    } else {
        if (control & 8u) file.limit_reads(static_cast<uint32_t>(file_size / 2));
        if (control & 16u) file.report_size(static_cast<uint32_t>(file_size + 4096));
    }

    test_host::Console console;
    test_host::Services services(&console);
    set_host_services(&services);
    std::string fault;
    auto fail = [&](const std::string& what) {
        if (fault.empty()) fault = what;
    };

    DecoderService* decoder = create_decoder_service();
    if (decoder == nullptr) {
        set_host_services(nullptr);
        return "no decoder service";
    }
    test_host::TrackInfo info;
    const bool opened = decoder->open(&file, &info, flags);
    if ((control & 128u) && decoder->open(&file, &info, flags)) fail("a second open succeeded");

    // What the open told the host.
    const std::vector<double> lengths = info.lengths();
    if (!opened && !info.entries().empty()) fail("a refused file left track information");
    if (opened && lengths.size() != 1) fail("an open did not report one length");
    for (double seconds : lengths) {
        if (!std::isfinite(seconds) || seconds < 0.0) fail("length not a finite count");
    }
    const bool wants_info = opened && (flags & qarvel::OPEN_INFO) != 0;
    const std::vector<std::string> technical = info.technical_names();
    if (wants_info) {
        const std::vector<std::string> expected = {"channels",     "samplerate", "codec",
                                                   "mod_channels", "Patterns",   "Orders"};
        if (technical != expected) fail("technical fields not the six in order");
    } else if (!technical.empty() || !info.tag_names().empty()) {
        fail("tags or technical fields without OPEN_INFO");
    }
    for (const auto& entry : info.entries()) {
        if (!is_utf8(entry.value)) fail("a tag value that is not UTF-8: " + entry.name);
    }

    // Decoding.
    test_host::AudioChunk chunk((control & 32u) ? test_host::AudioChunk::Storage::none
                                                : test_host::AudioChunk::Storage::grows,
                                (control & 64u) ? 100u : 0u);
    const bool decoding = opened && (flags & qarvel::OPEN_DECODE) != 0;
    if (!decoding) {
        if (decoder->decode(&chunk) != 0) fail("decode without a decoding open did not end");
        if (!chunk.calls().empty()) fail("decode without a decoding open touched the chunk");
    } else {
        int32_t result = 1;
        for (uint32_t b = 0; b < max_blocks && result == 1; ++b) {
            chunk.forget_calls();
            result = decoder->decode(&chunk);
            if (result < -1 || result > 1) fail("decode gave " + std::to_string(result));
            if (result != 1) break;
            if (control & 32u) {
                if (chunk.frames() != 0) fail("frames reported without storage");
                continue;
            }
            if (chunk.frames() != kDecodeBlockFrames || chunk.channels() != kDecodeChannels ||
                chunk.sample_rate() != decoder->output_rate()) {
                fail("a block of the wrong shape");
            }
            if (chunk.samples().size() < kDecodeBlockSamples) {
                fail("a block larger than its storage");
                break;
            }
            for (uint32_t i = 0; i < kDecodeBlockSamples; ++i) {
                const double v = chunk.samples()[i];
                if (!std::isfinite(v) || v == test_host::AudioChunk::kUnwritten) {
                    fail("a sample not finite or never written");
                    break;
                }
            }
        }
        // The end stays the end.
        if (result == 0 && decoder->decode(&chunk) != 0) fail("decode went on after the end");
    }

    if (decoder->release() != 0) fail("the service kept references");
    if (console.references() != 0) fail("the console kept references");
    set_host_services(nullptr);
    test::store_settings({});
    return fault;
}

}  // namespace tarnwick::fuzz
