#pragma once
// Where the C library's allocator puts large blocks.

#include <cstddef>

namespace brevine::platform {

// The size from which a block is mapped for itself.
inline constexpr std::size_t kMappedBlockBytes = std::size_t{128} << 10;

// From now on every block of kMappedBlockBytes or more is mapped for itself and given back
// to the system when freed. By default the C library raises that size to the largest block
// freed so far, and big blocks then come from the threads' heaps: room a block reserves
// but never writes (an encoder's room for a likely result) is touched by later blocks
// placed over it, and a long batch comes to hold every page those heaps ever lent.
// Call before the threads start. False when the library does not take it.
bool MapLargeBlocks();

}  // namespace brevine::platform
