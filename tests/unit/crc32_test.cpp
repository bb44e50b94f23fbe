// The payload's checksum as the updater computes it. The build records it
// with the usual zip CRC-32; the stand-in payloads happen to be multiples of
// eight bytes long, so only here are the bytes after the last full step taken.
#include "../../base/crc32.h"

#include <gtest/gtest.h>

TEST(Crc32, AgreesWithTheRecordedChecksumForEveryLengthRemainder) {
  EXPECT_EQ(0x00000000u, crc32_of("", 0));
  EXPECT_EQ(0xCBF43926u, crc32_of("123456789", 9));
  const char fox[] = "The quick brown fox jumps over the lazy dog";
  EXPECT_EQ(0x414FA339u, crc32_of(fox, sizeof fox - 1));
  EXPECT_EQ(0xC81B2A7Cu, crc32_of(fox, 16));
}
