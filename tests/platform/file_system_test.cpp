#include "file_system.h"

#include <gtest/gtest.h>

#include "test_images.h"

namespace brevine::platform {
namespace {

TEST(ReadTextFile, WholeBytesOrNothing) {
  test::TempFolder dir;
  const std::string text("[a]\r\nk=v\0w\n", 11);
  test::WriteFile(dir / "t.ini", {text.begin(), text.end()});
  EXPECT_EQ(ReadTextFile(dir / "t.ini"), text);
  EXPECT_EQ(ReadTextFile(dir / "missing.ini"), "");
  EXPECT_EQ(ReadTextFile(dir.Path()), "");  // a folder
  // A kernel file reports size 0 and still has content.
  EXPECT_NE(ReadTextFile("/proc/self/status").find("Name:"), std::string::npos);
}

}  // namespace
}  // namespace brevine::platform
