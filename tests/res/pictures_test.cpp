// The page bitmap and the two icons of install.exe: sizes, colour depth, and the
// icons' transparent pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/res/byte_reader.h"
#include "tests/res/install_resources.h"

namespace {

struct DibHeader {
  DWORD size;
  LONG width;
  LONG height;
  WORD planes;
  WORD bitCount;
  DWORD compression;
  DWORD colorsUsed;
};

DibHeader ReadDibHeader(const std::vector<BYTE>& bytes) {
  ByteReader reader(bytes);
  DibHeader header{};
  header.size = reader.Dword();
  header.width = reader.Long();
  header.height = reader.Long();
  header.planes = reader.Word();
  header.bitCount = reader.Word();
  header.compression = reader.Dword();
  reader.Skip(12);  // image size, resolution
  header.colorsUsed = reader.Dword();
  return header;
}

DWORD PaletteSize(const DibHeader& header) {
  return header.colorsUsed ? header.colorsUsed : 1u << header.bitCount;
}

// Bytes of `height` rows of `bits` bits each; rows are padded to 32 bits.
size_t RowsSize(LONG bits, LONG height) {
  return static_cast<size_t>((bits + 31) / 32 * 4 * height);
}

void ExpectPaletted8Bit(const DibHeader& header, const std::string& where) {
  EXPECT_GE(header.size, sizeof(BITMAPINFOHEADER)) << where << ": header size";
  EXPECT_EQ(header.planes, 1) << where << ": planes";
  EXPECT_EQ(header.bitCount, 8) << where << ": bits per pixel";
  // Eight bits a pixel; the colour table holds the entries the pixels use.
  EXPECT_GE(PaletteSize(header), 2u) << where << ": colours";
  EXPECT_LE(PaletteSize(header), 256u) << where << ": colours";
}

TEST(Pictures, PageBitmapIs126By60In256Colours) {
  EXPECT_EQ(ResourceNames(RT_BITMAP), std::vector<std::wstring>{L"#102"});
  const std::vector<BYTE> bytes = ResourceBytes(RT_BITMAP, 102);
  const DibHeader header = ReadDibHeader(bytes);
  ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER)) << "bitmap 102";
  EXPECT_EQ(header.width, 126) << "bitmap 102: width";
  EXPECT_EQ(std::abs(header.height), 60) << "bitmap 102: height";
  ExpectPaletted8Bit(header, "bitmap 102");
  if (header.compression == BI_RGB)
    EXPECT_GE(bytes.size(), header.size + PaletteSize(header) * sizeof(RGBQUAD) + RowsSize(126 * 8, 60))
        << "bitmap 102: pixels";
  else
    EXPECT_EQ(header.compression, static_cast<DWORD>(BI_RLE8)) << "bitmap 102: compression";
}

struct GroupIconEntry {
  BYTE width;
  BYTE height;
  BYTE colorCount;
  WORD planes;
  WORD bitCount;
  DWORD bytesInRes;
  WORD iconId;
};

std::vector<GroupIconEntry> ReadIconGroup(const std::vector<BYTE>& bytes, std::string& error) {
  ByteReader reader(bytes);
  const WORD reserved = reader.Word();
  const WORD type = reader.Word();
  std::vector<GroupIconEntry> entries(reader.Word());
  for (GroupIconEntry& entry : entries) {
    entry.width = reader.Byte();
    entry.height = reader.Byte();
    entry.colorCount = reader.Byte();
    reader.Byte();  // reserved
    entry.planes = reader.Word();
    entry.bitCount = reader.Word();
    entry.bytesInRes = reader.Dword();
    entry.iconId = reader.Word();
  }
  if (bytes.empty() || reader.Overrun() || reserved != 0 || type != 1) error = "not an icon group";
  return entries;
}

struct TransparentPixels {
  int all = 0;
  int notBlack = 0;
};

// The pixels of a square 8-bit icon image whose mask bit is 1. The system draws
// an icon as (screen AND mask) XOR colour, so each must be black in the colour
// plane, or the background shows through inverted.
TransparentPixels CountTransparentPixels(const std::vector<BYTE>& image, const DibHeader& header,
                                         int size) {
  TransparentPixels counted;
  const size_t palette = header.size;
  const size_t colours = palette + PaletteSize(header) * sizeof(RGBQUAD);
  const size_t colourStride = RowsSize(size * 8, 1);
  const size_t mask = colours + RowsSize(size * 8, size);
  const size_t maskStride = RowsSize(size, 1);
  if (image.size() < mask + RowsSize(size, size)) return counted;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if (!(image[mask + y * maskStride + x / 8] & (0x80 >> (x % 8)))) continue;
      ++counted.all;
      const BYTE index = image[colours + y * colourStride + x];
      if (index >= PaletteSize(header)) {
        ++counted.notBlack;
        continue;
      }
      const BYTE* colour = &image[palette + index * sizeof(RGBQUAD)];
      if (colour[0] || colour[1] || colour[2]) ++counted.notBlack;
    }
  }
  return counted;
}

TEST(Pictures, IconGroupsHoldOne256ColourImageEach) {
  const struct {
    WORD group;
    BYTE size;
  } kExpectedGroups[] = {{101, 32}, {106, 16}};
  std::vector<std::wstring> expectedIcons;
  std::vector<std::wstring> expectedGroups;
  for (const auto& expected : kExpectedGroups) {
    const std::string where = "icon group " + std::to_string(expected.group);
    expectedGroups.push_back(ResourceLabel(MAKEINTRESOURCEA(expected.group)));
    std::string error;
    const std::vector<GroupIconEntry> entries =
        ReadIconGroup(ResourceBytes(RT_GROUP_ICON, expected.group), error);
    EXPECT_EQ(error, "") << where;
    ASSERT_EQ(entries.size(), 1u) << where << ": images";
    const GroupIconEntry& entry = entries.front();
    EXPECT_EQ(entry.width, expected.size) << where << ": width";
    EXPECT_EQ(entry.height, expected.size) << where << ": height";
    EXPECT_EQ(entry.colorCount, 0) << where << ": colour count (0 stands for 256)";
    EXPECT_EQ(entry.planes, 1) << where << ": planes";
    EXPECT_EQ(entry.bitCount, 8) << where << ": bits per pixel";
    expectedIcons.push_back(ResourceLabel(MAKEINTRESOURCEA(entry.iconId)));

    const std::string imageWhere = where + ", icon " + std::to_string(entry.iconId);
    const std::vector<BYTE> image = ResourceBytes(RT_ICON, entry.iconId);
    EXPECT_EQ(image.size(), entry.bytesInRes) << imageWhere << ": size";
    const DibHeader header = ReadDibHeader(image);
    EXPECT_EQ(header.width, expected.size) << imageWhere << ": width";
    EXPECT_EQ(header.height, 2 * expected.size) << imageWhere << ": height of colour and mask";
    ExpectPaletted8Bit(header, imageWhere);
    EXPECT_GE(image.size(), header.size + PaletteSize(header) * sizeof(RGBQUAD) +
                                RowsSize(expected.size * 8, expected.size) +
                                RowsSize(expected.size, expected.size))
        << imageWhere << ": pixels and mask";
    const TransparentPixels transparent = CountTransparentPixels(image, header, expected.size);
    EXPECT_GT(transparent.all, 0) << imageWhere << ": transparent pixels";
    EXPECT_EQ(transparent.notBlack, 0)
        << imageWhere << ": transparent pixels not black, of " << transparent.all;
  }
  EXPECT_EQ(ResourceNames(RT_GROUP_ICON), expectedGroups);
  std::sort(expectedIcons.begin(), expectedIcons.end());
  std::vector<std::wstring> icons = ResourceNames(RT_ICON);
  std::sort(icons.begin(), icons.end());
  EXPECT_EQ(icons, expectedIcons) << "icon images other than those of the two groups";
}

}  // namespace
