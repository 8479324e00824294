#pragma once
// The header and the two small chunks of a DMF file: "CMSG" (song message) and "SEQU"
// (order list). Each chunk reader starts just after the chunk identifier, reads the payload
// length, checks it, parses, and leaves the cursor directly after the last byte it consumed.
//
// Choices: a "CMSG" payload of length 0 has no byte to skip and yields an empty message (one
// NUL), like a 1-byte payload. A refused "SEQU" leaves the previous order list and its count
// as they were, so `orders` and `order_count` always agree.

#include <cstddef>
#include <cstdint>

#include "loader/chunk_cursor.h"
#include "loader/load_refusal.h"

namespace tarnwick {

struct Module;

inline constexpr size_t kHeaderSize = 66;
// The header plus one chunk identifier: the smallest image that can hold "ENDE".
inline constexpr size_t kMinimumFileSize = kHeaderSize + 4;
// Characters per line of the wrapped song message.
inline constexpr uint32_t kMessageLineWidth = 40;
inline constexpr uint32_t kMaxOrders = 65535;

// Fills version, tracker name, title, composer and creation date; moves to offset 66.
LoadRefusal read_header(Module& module, ChunkCursor& cursor);
LoadRefusal read_message(Module& module, ChunkCursor& cursor);
LoadRefusal read_orders(Module& module, ChunkCursor& cursor);

}  // namespace tarnwick
