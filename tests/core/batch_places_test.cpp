// What a batch remembers of its files: the commit order, the writers of each output and
// the sources, each exact and each holding no more than it must.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "batch_places.h"
#include "fixed_clock.h"
#include "pipeline_support.h"

namespace brevine {
namespace {

namespace fs = std::filesystem;

// A folder the run itself makes (the sub-folder of the results) changes the place's key
// from the folder above to the new folder: a file handed out after that must still find
// the earlier writer of its source or, with skipexisting, of its output.
TEST(CommitOrderPlaces, AFolderMadeBetweenTwoFilesHidesNoWriter) {
  test::TempFolder dir;
  fs::create_directory(dir / "P");
  test::FixedClock clock;
  Options o;  // results into the sub-folder "Resized", which does not exist yet
  o.skipExisting = true;
  CommitOrder order(clock);
  EXPECT_EQ(order.Add(dir / "P/a.bmp", o), 0u);  // writes P/Resized/a.jpg
  fs::create_directory(dir / "P/Resized");       // its commit has begun
  EXPECT_EQ(order.Add(dir / "P/a.jpg", o), 1u);  // the same output, asked if it is there
  // What files 0 and 1 write, as a source: after the last of them. Its own output is
  // P/Resized/Resized/a.jpg.
  EXPECT_EQ(order.Add(dir / "P/Resized/a.jpg", o), 2u);
  EXPECT_EQ(order.Add(dir / "P/b.bmp", o), 0u);

  // Once file 0 is committed nobody waits for it; what is still in work is remembered.
  order.Committed(1);
  EXPECT_EQ(order.Add(dir / "P/Resized/a.jpg", o), 3u);  // and its output is file 2's
  order.Committed(4);
  EXPECT_EQ(order.Remembered(), 1u);                     // file 4's output
  EXPECT_EQ(order.Add(dir / "P/Resized/b.jpg", o), 0u);  // file 3 wrote it, committed
}

// The order remembers the outputs of the files in work only: a batch of any length holds
// as many as its window ahead.
TEST(CommitOrderPlaces, RemembersOnlyTheFilesNotYetCommitted) {
  test::TempFolder dir;
  fs::create_directory(dir / "P");
  test::FixedClock clock;
  Options o;
  o.outputDir = dir / "out";
  CommitOrder order(clock);
  constexpr std::size_t kAhead = 8;
  for (std::size_t i = 0; i < 2000; ++i) {
    if (i >= kAhead) order.Committed(i - kAhead + 1);
    EXPECT_EQ(order.Add(dir / ("P/p" + std::to_string(i) + ".bmp"), o), 0u);
    ASSERT_LE(order.Remembered(), kAhead) << i;
  }
  // A later source that an uncommitted file writes still waits for it.
  EXPECT_EQ(order.Add(dir / "out/p1999.jpg", o), 2000u);
}

TEST(PlaceOwnersTable, EachPlaceKnowsItsLastWriter) {
  PlaceOwners owners;
  std::vector<std::string> keys;
  for (int i = 0; i < 5000; ++i) keys.push_back("2049:1234/p" + std::to_string(i) + ".jpg");
  keys.push_back("");                       // the empty key is a key too
  keys.push_back(std::string(70000, 'x'));  // longer than a block
  for (std::size_t i = 0; i < keys.size(); ++i)
    EXPECT_EQ(owners.Note(keys[i], i), std::nullopt) << keys[i].substr(0, 20);
  EXPECT_EQ(owners.Size(), keys.size());
  // Written again: the earlier writer comes back, and the later one is kept.
  for (std::size_t i = 0; i < keys.size(); ++i)
    EXPECT_EQ(owners.Note(keys[i], i + 100000), i) << keys[i].substr(0, 20);
  EXPECT_EQ(owners.Note("2049:1234/p17.jpg", 7), 100017u);
  EXPECT_EQ(owners.Note("2049:1234/p17.jp", 8), std::nullopt);  // a prefix is another place
  EXPECT_EQ(owners.Size(), keys.size() + 1);
}

// A place is its folder and its name together: the same name in another folder, or with
// the folder's text one character off, is another place; a writer's number of any size
// comes back whole.
TEST(PlaceOwnersTable, FolderAndNameMakeThePlace) {
  PlaceOwners owners;
  EXPECT_EQ(owners.Note("2049:17/a.jpg", 0), std::nullopt);
  EXPECT_EQ(owners.Note("2049:1/7a.jpg", 1), std::nullopt);  // the split moves: another
  EXPECT_EQ(owners.Note("2049:18/a.jpg", 2), std::nullopt);
  EXPECT_EQ(owners.Note("a.jpg", 3), std::nullopt);  // no folder at all
  EXPECT_EQ(owners.Note("/a.jpg", 4), std::nullopt);
  EXPECT_EQ(owners.Note("2049:17/", 5), std::nullopt);  // an empty name
  EXPECT_EQ(owners.Size(), 6u);
  const std::size_t writers[] = {127, 128, 16383, 16384, std::size_t{1} << 40, 5};
  std::size_t before = 0;
  for (const std::size_t writer : writers) {
    EXPECT_EQ(owners.Note("2049:17/a.jpg", writer), before) << writer;
    before = writer;
  }
  EXPECT_EQ(owners.Note("2049:1/7a.jpg", 9), 1u);
  EXPECT_EQ(owners.Note("2049:18/a.jpg", 9), 2u);
  EXPECT_EQ(owners.Note("a.jpg", 9), 3u);
  EXPECT_EQ(owners.Note("/a.jpg", 9), 4u);
  EXPECT_EQ(owners.Note("2049:17/", 9), 5u);
  EXPECT_EQ(owners.Size(), 6u);
}

// The table grows by a few bytes per place written, not by the length of its key: a run
// over an archive keeps one entry for every result it wrote.
TEST(PlaceOwnersTable, HoldsAFewBytesAPlace) {
  PlaceOwners owners;
  constexpr std::size_t kPlaces = 20000;
  for (std::size_t i = 0; i < kPlaces; ++i)
    ASSERT_EQ(owners.Note("66305:1234567/p" + std::to_string(i) + ".jpg", i), std::nullopt);
  EXPECT_LE(owners.Bytes(), kPlaces * 28);
  EXPECT_EQ(owners.Note("66305:1234567/p19999.jpg", kPlaces), kPlaces - 1);
}

TEST(IdentitySetTable, HoldsEveryIdentityOnce) {
  IdentitySet set;
  for (std::uint64_t i = 0; i < 3000; ++i) {
    EXPECT_TRUE(set.Insert({66305, i * 4096}));
    EXPECT_FALSE(set.Insert({66305, i * 4096}));
  }
  EXPECT_TRUE(set.Insert({}));  // {0, 0} is an identity like any other
  EXPECT_FALSE(set.Insert({}));
  EXPECT_EQ(set.Size(), 3001u);
  for (std::uint64_t i = 0; i < 3000; ++i) {
    EXPECT_TRUE(set.Contains({66305, i * 4096})) << i;
    EXPECT_FALSE(set.Contains({66306, i * 4096})) << i;
    EXPECT_FALSE(set.Contains({66305, i * 4096 + 1})) << i;
  }
  EXPECT_TRUE(set.Contains({}));
  EXPECT_FALSE(IdentitySet().Contains({}));
}

}  // namespace
}  // namespace brevine
