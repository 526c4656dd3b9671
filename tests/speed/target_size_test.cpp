#include <gtest/gtest.h>

#include <vector>

#include "jpeg_length_model.h"
#include "libjpeg_reference.h"
#include "test_images.h"

namespace brevine {
namespace {

// The search rule, run against the model: the first quality from 100 down that fits.
int ModelSearch(const JpegLengthModel& model, std::int64_t maxBytes) {
  for (int q = 100; q >= 1; --q) {
    if (model.Length(q, maxBytes) <= maxBytes) return q;
  }
  return 1;
}

// Sizes are not monotonic in the quality; the model must pick the same quality as the
// plain downward loop for every target, including targets between two qualities' sizes
// and targets that no quality meets.
TEST(TargetSizeSearchTest, ModelSearchEqualsPlainLoopForManyTargets) {
  const std::vector<WorkBitmap> pictures = {test::MakePhotoLike(97, 61, 2),
                                            test::MakeNoise(45, 30, 3)};
  for (const bool gray : {false, true}) {
    for (const WorkBitmap& picture : pictures) {
      std::vector<std::int64_t> sizes(101);
      for (int q = 1; q <= 100; ++q) {
        sizes[q] = static_cast<std::int64_t>(test::LibjpegEncode(picture, q, gray, false).size());
      }
      auto plain = [&](std::int64_t maxBytes) {
        for (int q = 100; q > 1; --q) {
          if (sizes[q] <= maxBytes) return q;
        }
        return 1;
      };
      const JpegLengthModel model(picture, gray);
      std::vector<std::int64_t> targets = {-1, 0, 1, sizes[1] - 1, sizes[100] + 1};
      for (int q = 1; q <= 100; ++q) {
        targets.push_back(sizes[q]);
        targets.push_back(sizes[q] - 1);
      }
      for (const std::int64_t target : targets) {
        ASSERT_EQ(ModelSearch(model, target), plain(target))
            << picture.Width() << "x" << picture.Height() << (gray ? " gray" : " colour")
            << " target " << target;
      }
    }
  }
}

}  // namespace
}  // namespace brevine
