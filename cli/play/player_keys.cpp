#include "cli/play/player_keys.h"

#include <cctype>

namespace qarvel_cli {
namespace {

constexpr char kEscape = '\x1b';

bool cursor_key(char final_byte, PlayerKey* key) {
    switch (final_byte) {
        case 'A': *key = PlayerKey::forward_long; return true;
        case 'B': *key = PlayerKey::back_long; return true;
        case 'C': *key = PlayerKey::forward_short; return true;
        case 'D': *key = PlayerKey::back_short; return true;
        default: return false;
    }
}

bool plain_key(char byte, PlayerKey* key) {
    switch (byte) {
        case ' ': *key = PlayerKey::pause; return true;
        case 'n': case 'N': *key = PlayerKey::next_song; return true;
        case 'p': case 'P': *key = PlayerKey::previous_song; return true;
        case 'l': case 'L': *key = PlayerKey::toggle_loop; return true;
        case '+': case '=': *key = PlayerKey::volume_up; return true;
        case '-': case '_': *key = PlayerKey::volume_down; return true;
        case 'q': case 'Q': *key = PlayerKey::quit; return true;
        default: return false;
    }
}

}  // namespace

std::vector<PlayerKey> KeyDecoder::feed(const std::string& bytes) {
    pending_ += bytes;
    std::vector<PlayerKey> keys;
    size_t i = 0;
    while (i < pending_.size()) {
        PlayerKey key;
        if (pending_[i] != kEscape) {
            if (plain_key(pending_[i], &key)) keys.push_back(key);
            ++i;
            continue;
        }
        // ESC [ or ESC O, then parameters (digits, ';') and one final byte.
        if (i + 1 >= pending_.size()) break;
        const char introducer = pending_[i + 1];
        if (introducer != '[' && introducer != 'O') {
            ++i;  // a lone escape key
            continue;
        }
        size_t end = i + 2;
        while (end < pending_.size() && (std::isdigit(static_cast<unsigned char>(pending_[end])) ||
                                         pending_[end] == ';')) {
            ++end;
        }
        if (end >= pending_.size()) break;
        if (cursor_key(pending_[end], &key)) keys.push_back(key);
        i = end + 1;
    }
    pending_.erase(0, i);
    // A sequence that never completes must not grow without bound.
    if (pending_.size() > 16) pending_.clear();
    return keys;
}

}  // namespace qarvel_cli
