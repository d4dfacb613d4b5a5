#include "platform/content_cache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/test_support.h"

namespace {

using testing_support::TempDir;

std::string ReadStream(FILE* stream) {
  std::string text;
  char block[4096];
  size_t got = 0;
  while ((got = fread(block, 1, sizeof block, stream)) > 0) text.append(block, got);
  fclose(stream);
  return text;
}

TEST(ContentCache, KeepsTheBytesOfFilesReadOnce) {
  TempDir dir;
  const std::string binary("0 a\r\n\x1a\0" "1 16 0 0 0\n\r\n", 20);
  const std::string path = dir.Write("p/4-4edge.dat", binary);
  platform::ContentCache cache;
  FILE* first = cache.Open(path);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(ReadStream(first), binary);
  EXPECT_EQ(cache.total_bytes(), binary.size());
  // Gone from disk, the file is still served, byte for byte, as often as asked.
  ASSERT_EQ(unlink(path.c_str()), 0);
  for (int i = 0; i < 3; ++i) {
    FILE* again = cache.Open(path);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(ReadStream(again), binary);
  }
  EXPECT_EQ(cache.total_bytes(), binary.size());
}

TEST(ContentCache, EmptyLargeAndMissingFilesGoToTheDisk) {
  TempDir dir;
  platform::ContentCache cache;
  const std::string empty = dir.Write("empty.dat", "");
  FILE* stream = cache.Open(empty);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(ReadStream(stream), "");
  const std::string big_text(platform::ContentCache::kMaxFileBytes + 10, '7');
  const std::string big = dir.Write("big.ldr", big_text);
  stream = cache.Open(big);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(ReadStream(stream), big_text);
  EXPECT_EQ(cache.total_bytes(), 0u);
  EXPECT_EQ(cache.Open(dir.path() + "/absent.dat"), nullptr);
}

TEST(ContentCache, ServesLongAndOddLinesByteForByte) {
  TempDir dir;
  std::string text = "0 Title\r\n0 Name: x.dat\n\r2 24 0 0 0 1 1 1\r\r\n";
  text += std::string(1500, 'x') + "\n" + std::string(70000, ' ') + "3 16\x1a\n";
  const std::string path = dir.Write("x.dat", text);
  platform::ContentCache cache;
  const std::string from_disk = ReadStream(fopen(path.c_str(), "rb"));
  EXPECT_EQ(ReadStream(cache.Open(path)), from_disk);
  EXPECT_EQ(ReadStream(cache.Open(path)), from_disk);
  EXPECT_GT(cache.total_bytes(), 0u);
}

}  // namespace
