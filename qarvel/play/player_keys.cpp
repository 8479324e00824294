#include "qarvel/play/player_keys.h"

#include <cctype>

namespace qarvel_cli {
namespace {

constexpr char kEscape = '\x1b';

struct KeyByte {
    char byte;
    PlayerKey key;
};

// The final byte of a cursor key's escape sequence.
constexpr KeyByte kCursorKeys[] = {{'A', PlayerKey::forward_long},
                                   {'B', PlayerKey::back_long},
                                   {'C', PlayerKey::forward_short},
                                   {'D', PlayerKey::back_short}};

constexpr KeyByte kPlainKeys[] = {
    {' ', PlayerKey::pause},         {'n', PlayerKey::next_song},     {'N', PlayerKey::next_song},
    {'p', PlayerKey::previous_song}, {'P', PlayerKey::previous_song}, {'l', PlayerKey::toggle_loop},
    {'L', PlayerKey::toggle_loop},   {'+', PlayerKey::volume_up},     {'=', PlayerKey::volume_up},
    {'-', PlayerKey::volume_down},   {'_', PlayerKey::volume_down},   {'h', PlayerKey::help},
    {'H', PlayerKey::help},          {'?', PlayerKey::help},          {'q', PlayerKey::quit},
    {'Q', PlayerKey::quit}};

template <size_t N>
bool find_key(const KeyByte (&table)[N], char byte, PlayerKey* key) {
    for (const KeyByte& entry : table) {
        if (entry.byte == byte) {
            *key = entry.key;
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<PlayerKey> KeyDecoder::feed(const std::string& bytes) {
    pending_ += bytes;
    std::vector<PlayerKey> keys;
    size_t i = 0;
    while (i < pending_.size()) {
        PlayerKey key;
        if (pending_[i] != kEscape) {
            if (find_key(kPlainKeys, pending_[i], &key)) keys.push_back(key);
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
        while (end < pending_.size() &&
               (std::isdigit(static_cast<unsigned char>(pending_[end])) || pending_[end] == ';')) {
            ++end;
        }
        if (end >= pending_.size()) break;
        if (find_key(kCursorKeys, pending_[end], &key)) keys.push_back(key);
        i = end + 1;
    }
    pending_.erase(0, i);
    // A sequence that never completes must not grow without bound.
    if (pending_.size() > 16) pending_.clear();
    return keys;
}

}  // namespace qarvel_cli
