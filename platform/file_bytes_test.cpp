#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/platform.h"
#include "tests/test_support.h"

namespace {

using Outcome = platform::FileBytes::Outcome;

TEST(FileBytes, ReadsWholeFilesOfEverySizeIntoOneBuffer) {
  testing_support::TempDir dir;
  platform::FileBytes bytes;
  // Sizes around the 64 KB steps of the reads, largest first, so that the
  // buffer is reused for smaller files.
  for (size_t size : {200001u, 65537u, 65536u, 65535u, 4097u, 1u, 0u}) {
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + i * 7 % 26);
    const std::string path = dir.Write("f" + std::to_string(size), content);
    ASSERT_EQ(bytes.Read(path, 1 << 20), Outcome::kRead) << size;
    EXPECT_EQ(std::string(bytes.bytes()), content) << size;
  }
}

TEST(FileBytes, OnlyRegularFilesNoLargerThanAskedAreRead) {
  testing_support::TempDir dir;
  platform::FileBytes bytes;
  const std::string kept = dir.Write("kept.dat", "3 16 0 0 0 1 0 0 0 0 1\n");
  ASSERT_EQ(bytes.Read(kept, 23), Outcome::kRead);
  EXPECT_EQ(bytes.Read(kept, 22), Outcome::kTooLarge);
  EXPECT_TRUE(bytes.bytes().empty());
  EXPECT_EQ(bytes.Read(dir.path() + "/missing.dat", 100), Outcome::kCannotOpen);
  EXPECT_TRUE(bytes.bytes().empty());
  EXPECT_EQ(bytes.Read(dir.Mkdir("folder.dat"), 100), Outcome::kNotRegular);
  EXPECT_TRUE(bytes.bytes().empty());
  // A FIFO with nobody writing would block a plain open for ever.
  const std::string fifo = dir.path() + "/fifo.dat";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(bytes.Read(fifo, 100), Outcome::kNotRegular);
  bytes.Release();
  EXPECT_TRUE(bytes.bytes().empty());
}

}  // namespace
