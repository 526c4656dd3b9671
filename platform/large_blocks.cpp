#include "large_blocks.h"

#include <malloc.h>

namespace brevine::platform {

bool MapLargeBlocks() {
  // A size set here also ends the library's own adjustment of it.
  return ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(kMappedBlockBytes)) == 1;
}

}  // namespace brevine::platform
