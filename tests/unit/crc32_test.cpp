// The payload's checksum as the updater computes it, against the definition:
// the register shifted one bit at a time (zip's reflected polynomial, start
// and final XOR 0xFFFFFFFF). The updater splits the data into four parts and
// combines their registers; every length up to a few thousand bytes, from
// every start offset from 0 to 7, takes each path of that split.
#include "../../base/crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

DWORD bitwise_step(DWORD crc, BYTE byte) {
  crc ^= byte;
  for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  return crc;
}

TEST(Crc32, AgreesWithTheBitwiseDefinitionForEveryLengthAndOffset) {
  DWORD check = 0xFFFFFFFF;  // the definition's own check value
  for (char c : std::string("123456789")) check = bitwise_step(check, static_cast<BYTE>(c));
  ASSERT_EQ(0xCBF43926u, check ^ 0xFFFFFFFF);

  std::vector<BYTE> data(3000 + 8);
  DWORD seed = 1;
  for (BYTE &byte : data) byte = static_cast<BYTE>((seed = seed * 1103515245 + 12345) >> 16);
  for (DWORD offset = 0; offset < 8; ++offset) {
    DWORD crc = 0xFFFFFFFF;  // the register after the first `length` bytes
    for (DWORD length = 0; length <= 3000; crc = bitwise_step(crc, data[offset + length++]))
      ASSERT_EQ(crc ^ 0xFFFFFFFF, crc32_of(data.data() + offset, length))
          << length << " bytes from " << offset;
  }
  // A file read a piece at a time: the pieces' CRC continued is the whole's.
  for (DWORD cut = 0; cut <= 3000; cut += 7)
    ASSERT_EQ(crc32_of(data.data(), 3000),
              crc32_continued(crc32_of(data.data(), cut), data.data() + cut, 3000 - cut))
        << "cut at " << cut;
}

}  // namespace
