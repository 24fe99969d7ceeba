// EXIF orientation: the corpus's JPEGs against the orientation its index
// records, and damaged metadata. The date a picture was taken, from written
// JPEGs: which tag wins, byte orders, unset clocks, truncated metadata.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "imaging/exif.h"
#include "platform/decoded_image.h"
#include "tests/unit/exif_writer.h"

namespace lantern::imaging {
namespace {

const std::string kCorpus = LANTERN_CORPUS_DIR;

std::vector<uint8_t> Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Exif, CorpusJpegsReportTheirIndexedOrientation) {
  std::ifstream index(kCorpus + "/reference/INDEX.tsv");
  ASSERT_TRUE(index) << kCorpus;
  int checked = 0;
  int turned = 0;
  for (std::string line; std::getline(index, line);) {
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');)
      f.push_back(field);
    if (f.size() < 9 || f[0].rfind("images/jpeg/", 0) != 0 || f[1] != "yes") continue;
    const int expected = f[8].empty() ? 1 : std::stoi(f[8]);
    EXPECT_EQ(ExifOrientation(Read(kCorpus + "/" + f[0])), expected) << f[0];
    ++checked;
    turned += expected != 1;
  }
  EXPECT_GT(checked, 20);
  EXPECT_GE(turned, 7);
}

TEST(Exif, DamagedMetadataMeansUpright) {
  std::vector<uint8_t> jpeg = Read(kCorpus + "/images/jpeg/pillow/hopper_orientation_6.jpg");
  ASSERT_EQ(ExifOrientation(jpeg), 6);
  for (size_t cut = 0; cut < 200 && cut < jpeg.size(); ++cut) {
    const int o = ExifOrientation(std::span<const uint8_t>(jpeg.data(), cut));
    EXPECT_TRUE(o == 1 || o == 6) << cut;
  }
  const uint8_t tiff_be[] = {'M',  'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01,
                             0x12, 0,   3, 0,  0, 0, 1, 0, 8, 0, 0};
  EXPECT_EQ(ExifOrientation(tiff_be), 8);
  uint8_t bad_value[sizeof tiff_be];
  std::memcpy(bad_value, tiff_be, sizeof tiff_be);
  bad_value[19] = 9;  // out of range
  EXPECT_EQ(ExifOrientation(bad_value), 1);
  bad_value[7] = 200;  // directory past the end
  EXPECT_EQ(ExifOrientation(bad_value), 1);
  EXPECT_EQ(ExifOrientation({}), 1);
}

TEST(Exif, DateTakenPrefersTheOriginalDateAndRefusesWhatIsNotADate) {
  using lantern::testing::JpegWithExif;
  const std::string kOriginal = "2019:07:04 18:30:05";
  const std::string kChanged = "2023:01:02 03:04:05";
  for (const bool big : {false, true}) {
    EXPECT_EQ(ExifDateTaken(JpegWithExif({kChanged, kOriginal, big})), kOriginal) << big;
    EXPECT_EQ(ExifDateTaken(JpegWithExif({kChanged, "", big})), kChanged) << big;
    EXPECT_EQ(ExifDateTaken(JpegWithExif({"", kOriginal, big})), kOriginal) << big;
    EXPECT_EQ(ExifDateTaken(JpegWithExif({"", "", big})), std::nullopt) << big;
  }
  // A clock never set, blanks, another form: no date, and an unset original
  // falls back to the directory's date.
  EXPECT_EQ(ExifDateTaken(JpegWithExif({"", "0000:00:00 00:00:00"})), std::nullopt);
  EXPECT_EQ(ExifDateTaken(JpegWithExif({kChanged, "    :  :     :  :  "})), kChanged);
  EXPECT_EQ(ExifDateTaken(JpegWithExif({"2019-07-04 18:30:05", ""})), std::nullopt);
  // The TIFF structure alone is read as a TIFF file.
  const std::vector<uint8_t> jpeg = JpegWithExif({"", kOriginal});
  EXPECT_EQ(ExifDateTaken(std::span(jpeg).subspan(12)), kOriginal);
  // Cut anywhere, the metadata gives the date or nothing.
  for (size_t cut = 0; cut < jpeg.size(); ++cut) {
    const auto date = ExifDateTaken(std::span(jpeg.data(), cut));
    EXPECT_TRUE(!date || *date == kOriginal) << cut;
  }
  EXPECT_EQ(ExifOrientation(jpeg), 1);
}

TEST(Orient, EveryOrientationTurnsAMarkedPictureUpright) {
  // Stored pictures made from an upright 3 x 2 picture the way a camera stores them.
  const std::vector<uint32_t> upright = {1, 2, 3, 4, 5, 6};
  const struct {
    int orientation;
    int32_t w, h;
    std::vector<uint32_t> stored;
  } cases[] = {{1, 3, 2, {1, 2, 3, 4, 5, 6}}, {2, 3, 2, {3, 2, 1, 6, 5, 4}},
               {3, 3, 2, {6, 5, 4, 3, 2, 1}}, {4, 3, 2, {4, 5, 6, 1, 2, 3}},
               {5, 2, 3, {1, 4, 2, 5, 3, 6}}, {6, 2, 3, {3, 6, 2, 5, 1, 4}},
               {7, 2, 3, {6, 3, 5, 2, 4, 1}}, {8, 2, 3, {4, 1, 5, 2, 6, 3}}};
  std::vector<uint32_t> scratch;
  for (const auto& c : cases) {
    platform::DecodedImage image;
    image.Resize(c.w, c.h);
    image.pixels = c.stored;
    platform::Orient(image, c.orientation, scratch);
    EXPECT_EQ(image.width, 3) << c.orientation;
    EXPECT_EQ(image.pixels, upright) << c.orientation;
  }
}

}  // namespace
}  // namespace lantern::imaging
