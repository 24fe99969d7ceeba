// PE resources: round trips through the writer and reader, the headers the
// writer updates, its refusals, and damaged or hostile images.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "album/pe_image.h"
#include "album/pe_resources.h"
#include "base/text.h"
#include "tests/unit/damaged_album.h"

namespace lantern::album {
namespace {

using Bytes = std::vector<uint8_t>;

// Where the test images keep their headers.
constexpr uint32_t kPe = 0x40;
constexpr uint32_t kOpt = kPe + 24;
constexpr uint32_t kTable = kOpt + 224;  // room for five section headers before 0x200
constexpr uint32_t kNumberOfSections = kPe + 6;
constexpr uint32_t kSizeOfInitializedData = kOpt + 8;
constexpr uint32_t kSizeOfImage = kOpt + 56;
constexpr uint32_t kCheckSum = kOpt + 64;
constexpr uint32_t kDirectories = kOpt + 96;
constexpr uint32_t kRsrcRva = 0x2000;  // the second section's address in the test images

uint32_t Get32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t SectionField(const Bytes& image, int index, int field) {
  return Get32(image, kTable + 40 * index + field);  // 8 size, 12 rva, 16 raw size, 20 pointer
}

struct TestSection {
  const char* name;
  Bytes data;
  uint32_t virtual_size = 0;  // the data's size when 0
};

// A minimal i386 image: MZ stub, PE headers, the sections one after another.
Bytes BuildImage(const std::vector<TestSection>& sections) {
  Bytes image(0x200);
  image[0] = 'M', image[1] = 'Z';
  Put32(image, 0x3C, kPe);
  Put32(image, kPe, 0x4550);
  Put32(image, kPe + 4, 0x014C | static_cast<uint32_t>(sections.size()) << 16);
  Put32(image, kPe + 20, 224 | 0x0102 << 16);
  const std::vector<std::pair<uint32_t, uint32_t>> fields{
      {0, 0x10B}, {16, 0x1000}, {28, 0x400000}, {32, 0x1000},   {36, 0x200},  {40, 4},
      {48, 4},    {60, 0x200},  {68, 2},        {72, 0x100000}, {76, 0x1000}, {92, 16}};
  for (auto [at, value] : fields)
    Put32(image, kOpt + at, value);
  uint32_t rva = 0x1000;
  for (size_t i = 0; i < sections.size(); ++i) {
    const TestSection& s = sections[i];
    const uint32_t raw = static_cast<uint32_t>((s.data.size() + 0x1FF) & ~0x1FFu);
    const uint32_t vsize = s.virtual_size ? s.virtual_size : static_cast<uint32_t>(s.data.size());
    const size_t header = kTable + 40 * i;
    std::copy_n(s.name, std::char_traits<char>::length(s.name), image.begin() + header);
    const uint32_t values[] = {vsize, rva, raw, static_cast<uint32_t>(image.size())};
    for (int k = 0; k < 4; ++k)
      Put32(image, header + 8 + 4 * k, values[k]);
    Put32(image, header + 36, 0x40000040);
    image.insert(image.end(), s.data.begin(), s.data.end());
    image.resize(image.size() + raw - s.data.size());
    rva += (vsize + 0xFFF) & ~0xFFFu;
  }
  Put32(image, kSizeOfImage, rva);
  return image;
}

Bytes TextOnly() {
  return BuildImage({{".text", {0xC3}}});
}

// An image whose second section holds a hand-built resource directory.
Bytes WithResourceSection(const Bytes& rsrc) {
  Bytes image = BuildImage({{".text", {0xC3}}, {".rsrc", rsrc}});
  Put32(image, kDirectories + 16, kRsrcRva);
  Put32(image, kDirectories + 20, static_cast<uint32_t>(rsrc.size()));
  return image;
}

// The checksum computed word by word, skipping the field itself.
uint32_t ReferenceChecksum(const Bytes& file) {
  uint32_t sum = 0;
  for (size_t i = 0; i < file.size(); i += 2) {
    uint32_t word = file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
    if (i == kCheckSum || i == kCheckSum + 2) word = 0;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return sum + static_cast<uint32_t>(file.size());
}

ResourceEntry Data(const char* name, Bytes data) {
  return {DataType(), ResourceKey::Name(base::Utf8ToUtf16(name)), 0, std::move(data)};
}

Bytes Pattern(size_t size, uint8_t seed) {
  Bytes data(size);
  for (size_t i = 0; i < size; ++i)
    data[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 9));
  return data;
}

std::vector<ResourceEntry> Sorted(std::vector<ResourceEntry> entries) {
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    if (!(a.type == b.type)) return ResourceKeyLess(a.type, b.type);
    if (!(a.name == b.name)) return ResourceKeyLess(a.name, b.name);
    return a.language < b.language;
  });
  return entries;
}

void ExpectSameResources(const std::vector<ResourceEntry>& a, const std::vector<ResourceEntry>& b) {
  const auto x = Sorted(a), y = Sorted(b);
  ASSERT_EQ(x.size(), y.size());
  for (size_t i = 0; i < x.size(); ++i) {
    EXPECT_EQ(x[i].type, y[i].type) << i;
    EXPECT_EQ(x[i].name, y[i].name) << i;
    EXPECT_EQ(x[i].language, y[i].language) << i;
    EXPECT_TRUE(x[i].data == y[i].data) << x[i].name.ToString();
  }
}

Bytes Write(const Bytes& image, const std::vector<ResourceEntry>& resources) {
  std::string error;
  auto out = WriteResources(image, resources, &error);
  if (!out) throw std::runtime_error("the writer failed: " + error);
  return *out;
}

std::string WriteError(const Bytes& image, const std::vector<ResourceEntry>& resources) {
  std::string error;
  EXPECT_FALSE(WriteResources(image, resources, &error));
  EXPECT_FALSE(error.empty());
  return error;
}

std::vector<ResourceEntry> Album() {
  std::vector<ResourceEntry> r{Data("EMPTY", {}), Data("ONE", {42}),
                               Data("HUNDRED", Pattern(100, 1)), Data("ODD", Pattern(300, 2)),
                               Data("BIG", Pattern(1 << 20, 3))};
  r.push_back({ResourceKey::Id(3), ResourceKey::Id(1), 0x409, Pattern(40, 4)});
  r.push_back({ResourceKey::Id(3), ResourceKey::Id(1), 0x407, Pattern(41, 5)});
  r.push_back({ResourceKey::Id(3), ResourceKey::Id(2), 0, Pattern(42, 6)});
  r.push_back({ResourceKey::Name(u"CUSTOM"), ResourceKey::Name(u"\u00e9t\u00e9"), 7, {1, 2}});
  return r;
}

TEST(PeWriter, RoundTripsResourcesOfEverySize) {
  const std::vector<ResourceEntry> album = Album();
  const Bytes out = Write(TextOnly(), album);
  std::string error;
  const auto image = PeImage::Parse(out, &error);
  ASSERT_TRUE(image) << error;
  ExpectSameResources(image->Resources(), album);
  const auto big = image->FindData("BIG");
  ASSERT_TRUE(big);
  EXPECT_EQ((big->data() - out.data()) % 8, 0);
  EXPECT_TRUE(image->FindData("EMPTY")->empty());
}

TEST(PeWriter, UpdatesHeadersAndChecksum) {
  const Bytes original = TextOnly();
  const Bytes out = Write(original, Album());
  EXPECT_EQ(Get32(out, kNumberOfSections) & 0xFFFF, 2u);
  const uint32_t vsize = SectionField(out, 1, 8), raw = SectionField(out, 1, 16);
  EXPECT_EQ(SectionField(out, 1, 12), kRsrcRva);
  EXPECT_EQ(SectionField(out, 1, 20) % 0x200, 0u);
  EXPECT_EQ(raw % 0x200, 0u);
  EXPECT_GE(raw, vsize);
  EXPECT_EQ(out.size(), SectionField(out, 1, 20) + raw);
  EXPECT_EQ(Get32(out, kSizeOfImage), (kRsrcRva + vsize + 0xFFF) & ~0xFFFu);
  EXPECT_EQ(Get32(out, kSizeOfInitializedData), raw);
  EXPECT_EQ(Get32(out, kDirectories + 16), kRsrcRva);
  EXPECT_EQ(Get32(out, kDirectories + 20), vsize);
  EXPECT_EQ(Get32(out, kCheckSum), ReferenceChecksum(out));
  EXPECT_TRUE(std::equal(original.begin() + 0x200, original.end(), out.begin() + 0x200));
}

TEST(PeWriter, OrdersDirectoriesForBinarySearch) {
  std::vector<ResourceEntry> in{Data("_z", {}), Data("ABD", {}), Data("abc", {}), Data("B", {})};
  in.push_back({DataType(), ResourceKey::Id(9), 0, {}});
  in.push_back({DataType(), ResourceKey::Id(2), 0, {}});
  const Bytes out = Write(TextOnly(), in);
  const auto listed = PeImage::Parse(out, nullptr)->Resources();
  std::vector<std::string> names;
  for (const auto& entry : listed)
    names.push_back(entry.name.ToString());
  EXPECT_EQ(names, (std::vector<std::string>{"abc", "ABD", "B", "_z", "#2", "#9"}));
}

TEST(PeReader, FindsNamesIgnoringAsciiCaseOnly) {
  const Bytes out = Write(TextOnly(), {Data("BTN_PREV", {1}), Data("\xc3\x89t\xc3\xa9", {2})});
  const auto image = PeImage::Parse(out, nullptr);
  ASSERT_TRUE(image);
  ASSERT_TRUE(image->FindData("btn_prev"));
  EXPECT_EQ((*image->FindData("Btn_Prev"))[0], 1);
  EXPECT_TRUE(image->FindData("\xc3\x89T\xc3\xa9"));
  EXPECT_FALSE(image->FindData("\xc3\xa9t\xc3\xa9"));  // é is not folded to É
  EXPECT_FALSE(image->FindData("BTN_PRE"));
  EXPECT_FALSE(image->Find(ResourceKey::Id(10), ResourceKey::Name(u"BTN_PREV")));
}

TEST(PeWriter, RewritingReplacesTheResourceSection) {
  const Bytes first = Write(TextOnly(), Album());
  const Bytes second = Write(first, {Data("NEW", {7, 7})});
  const Bytes third = Write(second, Album());
  EXPECT_EQ(Get32(second, kNumberOfSections) & 0xFFFF, 2u);
  EXPECT_LT(second.size(), first.size());
  EXPECT_EQ(third, first);
  const auto image = PeImage::Parse(second, nullptr);
  EXPECT_EQ(image->resource_count(), 1u);
  EXPECT_FALSE(image->FindData("BIG"));
  EXPECT_EQ(Get32(second, kSizeOfInitializedData), SectionField(second, 1, 16));
}

// The loader copies only VirtualSize bytes of a section from the file, so file
// data past that must not be taken for the new section's contents.
TEST(PeWriter, SectionDataBeyondVirtualSizeIsNotLoaded) {
  const Bytes image = BuildImage({{".text", Pattern(0x1800, 9), 0x10}});
  const Bytes out = Write(image, {Data("A", Pattern(64, 1))});
  EXPECT_EQ(SectionField(out, 1, 12), 0x2000u);
  const auto found = PeImage::Parse(out, nullptr)->FindData("A");
  ASSERT_TRUE(found);
  EXPECT_TRUE(std::equal(found->begin(), found->end(), Pattern(64, 1).begin()));
}

// An image whose resource section is followed by another section.
Bytes ResourceSectionNotLast() {
  Bytes image = BuildImage({{".text", {0xC3}}, {".rsrc", Bytes(16)}, {".reloc", {1, 2, 3}}});
  Put32(image, kDirectories + 16, kRsrcRva);
  return image;
}

// The image with a COFF symbol table (one symbol, no strings) after its sections.
Bytes WithSymbolTable(Bytes image) {
  Put32(image, kPe + 12, static_cast<uint32_t>(image.size()));
  Put32(image, kPe + 16, 1);
  const Bytes symbols{'_', 'm', 'a', 'i', 'n', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0};
  image.insert(image.end(), symbols.begin(), symbols.end());
  return image;
}

TEST(PeWriter, AppendsWhenTheResourceSectionIsNotLast) {
  const Bytes image = ResourceSectionNotLast();
  const Bytes out = Write(image, {Data("A", {5})});
  EXPECT_EQ(Get32(out, kNumberOfSections) & 0xFFFF, 4u);
  EXPECT_EQ(Get32(out, kDirectories + 16), 0x4000u);
  EXPECT_TRUE(std::equal(image.begin() + 0x200, image.end(), out.begin() + 0x200));
  const Bytes again = Write(out, {Data("B", {6})});
  EXPECT_EQ(again.size(), out.size());
  EXPECT_EQ(PeImage::Parse(again, nullptr)->Resources()[0].name.ToString(), "B");
}

TEST(PeWriter, KeepsTheSymbolTableAfterTheSections) {
  Bytes image = WithSymbolTable(TextOnly());
  const Bytes out = Write(image, {Data("A", {5})});
  EXPECT_TRUE(std::equal(image.begin() + 0x200, image.end(), out.begin() + 0x200));
  EXPECT_EQ(Write(out, {Data("B", {6})}).size(), out.size());
  image.push_back(0);
  EXPECT_NE(WriteError(image, {}).find("after its sections"), std::string::npos);
}

TEST(PeWriter, Refuses) {
  const Bytes good = TextOnly();
  Bytes amd64 = good, pe32plus = good, signed_image = good, overlay = good;
  amd64[kPe + 4] = 0x64, amd64[kPe + 5] = 0x86;
  pe32plus[kOpt] = 0x0B, pe32plus[kOpt + 1] = 0x02;
  Put32(signed_image, kDirectories + 36, 0x100);
  overlay.push_back(1);
  Bytes full = BuildImage({{"a", {1}}, {"b", {1}}, {"c", {1}}, {"d", {1}}, {"e", {1}}});
  Bytes huge = BuildImage({{".text", {0xC3}, 0x5FFFF000}});
  for (const Bytes* image : {&amd64, &pe32plus, &signed_image, &overlay, &full, &huge}) {
    WriteError(*image, {Data("A", {1})});
  }
  EXPECT_NE(WriteError(full, {}).find("no room"), std::string::npos);
  EXPECT_NE(WriteError(huge, {}).find("too large"), std::string::npos);
  EXPECT_NE(WriteError(good, {Data("A", {1}), Data("A", {2})}).find("twice"), std::string::npos);
  EXPECT_NE(WriteError(good, {Data("a", {1}), Data("A", {2})}).find("case"), std::string::npos);
}

// A small well-formed directory: type 10, name 1, language 0x409, "abcd".
struct TreeBytes {
  Bytes bytes;
  void Table(uint32_t at, uint16_t named, uint16_t ids) {
    Put32(bytes, at + 12, named | static_cast<uint32_t>(ids) << 16);
  }
  void Entry(uint32_t table, int index, uint32_t name, uint32_t target) {
    Put32(bytes, table + 16 + 8 * index, name);
    Put32(bytes, table + 20 + 8 * index, target);
  }
  explicit TreeBytes(size_t size = 0x200) : bytes(size) {
    Table(0, 0, 1), Entry(0, 0, 10, 0x80000040);
    Table(0x40, 0, 1), Entry(0x40, 0, 1, 0x80000080);
    Table(0x80, 0, 1), Entry(0x80, 0, 0x409, 0xC0);
    Put32(bytes, 0xC0, kRsrcRva + 0xD0), Put32(bytes, 0xC4, 4);
    std::copy_n("abcd", 4, bytes.begin() + 0xD0);
  }
};

std::string ParseError(const Bytes& image) {
  std::string error;
  EXPECT_FALSE(PeImage::Parse(image, &error));
  EXPECT_FALSE(error.empty());
  return error;
}

TEST(PeReader, ReadsAHandBuiltTree) {
  const Bytes image = WithResourceSection(TreeBytes().bytes);
  const auto parsed = PeImage::Parse(image, nullptr);
  ASSERT_TRUE(parsed);
  const auto entries = parsed->Resources();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].type, ResourceKey::Id(10));
  EXPECT_EQ(entries[0].language, 0x409);
  EXPECT_EQ(entries[0].data, (Bytes{'a', 'b', 'c', 'd'}));
}

TEST(PeReader, RejectsDamagedResourceDirectories) {
  struct Case {
    const char* what;
    void (*damage)(TreeBytes&);
  };
  const Case cases[] = {
      {"root loops to itself", [](TreeBytes& t) { t.Entry(0, 0, 10, 0x80000000); }},
      {"name table loops", [](TreeBytes& t) { t.Entry(0x40, 0, 1, 0x80000040); }},
      {"language loops to root", [](TreeBytes& t) { t.Entry(0x80, 0, 0x409, 0x80000000); }},
      {"type is data", [](TreeBytes& t) { t.Entry(0, 0, 10, 0xC0); }},
      {"huge counts", [](TreeBytes& t) { t.Table(0, 0xFFFF, 0xFFFF); }},
      {"table offset at the top", [](TreeBytes& t) { t.Entry(0, 0, 10, 0xFFFFFFFF); }},
      {"name offset at the top", [](TreeBytes& t) { t.Entry(0, 0, 0xFFFFFFFF, 0x80000040); }},
      {"ID beyond 16 bits", [](TreeBytes& t) { t.Entry(0x40, 0, 0x10000, 0x80000080); }},
      {"named language", [](TreeBytes& t) { t.Entry(0x80, 0, 0x800000D0, 0xC0); }},
      {"data RVA wraps",
       [](TreeBytes& t) { Put32(t.bytes, 0xC0, 0xFFFFFFF0), Put32(t.bytes, 0xC4, 0x20); }},
      {"data size huge", [](TreeBytes& t) { Put32(t.bytes, 0xC4, 0xFFFFFFFF); }},
      {"duplicate type",
       [](TreeBytes& t) {
         t.Table(0, 0, 2), t.Entry(0, 1, 10, 0x80000100);
         t.Table(0x100, 0, 1), t.Entry(0x100, 0, 1, 0x80000140);
         t.Table(0x140, 0, 1), t.Entry(0x140, 0, 0, 0xC0);
       }},
  };
  for (const Case& c : cases) {
    TreeBytes tree;
    c.damage(tree);
    SCOPED_TRACE(c.what);
    ParseError(WithResourceSection(tree.bytes));
  }
}

// A few bytes of directory can name one long string or one large block of
// data again and again; the reader must not copy it every time.
TEST(PeReader, BoundsWhatItCopies) {
  TreeBytes names(0x1000 + 2 + 2 * 0xFFFF);
  names.Table(0, 100, 0);
  for (int i = 0; i < 100; ++i)
    names.Entry(0, i, 0x80001000, 0x80000400 + 16 * i);
  Put32(names.bytes, 0x1000, 0xFFFF);
  EXPECT_NE(ParseError(WithResourceSection(names.bytes)).find("too long"), std::string::npos);
  TreeBytes data(0x400);  // the image is 0x800 bytes; nine times 0x100 is more
  data.Entry(0x40, 0, 1, 0x80000200), data.Table(0x200, 0, 9);
  for (int i = 0; i < 9; ++i)
    data.Entry(0x200, i, i, 0xC0);
  Put32(data.bytes, 0xC0, kRsrcRva + 0x300), Put32(data.bytes, 0xC4, 0x100);
  EXPECT_NE(ParseError(WithResourceSection(data.bytes)).find("overlap"), std::string::npos);
}

// The player reads its own image as the loader mapped it, and holds every
// entry to the same rule the album check applies to the file: a damaged entry
// is a missing item, the others are still found.
TEST(PeReader, PlayerFindsEveryIntactEntryAndNoDamagedOne) {
  const Bytes settings = Pattern(500, 3), photo1 = Pattern(3000, 1), photo2 = Pattern(2000, 2);
  const Bytes album = Write(TextOnly(), {Data("ALLDATASETTINGS", settings),
                                         Data("IMGNAMES(1)", photo1), Data("IMGNAMES(2)", photo2)});
  const auto photo = testing::FindItemEntries(album, photo1);
  ASSERT_TRUE(photo);
  const uint32_t rva = Get32(album, photo->data_entry);
  const uint32_t section_end = SectionField(album, 1, 12) + SectionField(album, 1, 8);
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
  };
  const Case cases[] = {
      {"data beyond the image", photo->data_entry, 0x7FFFF000},
      {"data in the headers, outside every section", photo->data_entry, 0x10},
      {"size past the end of the file", photo->data_entry + 4, 0x7FFFFFF0},
      {"one byte past the section's data", photo->data_entry + 4, section_end - rva + 1},
      {"language entry's offset outside the section", photo->language_entry + 4, 0x00FFFFF0},
      {"language entry's offset to a table", photo->language_entry + 4, 0x80000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes damaged = album;
    testing::Write32(damaged, c.at, c.value);
    ParseError(damaged);  // what the album check says
    const auto loaded = MapLikeLoader(damaged, kMaxImageSize, nullptr);
    ASSERT_TRUE(loaded);
    const std::pair<const Bytes*, ImageLayout> readings[] = {{&damaged, ImageLayout::kFile},
                                                             {&*loaded, ImageLayout::kLoaded}};
    for (const auto& [bytes, layout] : readings) {
      const PeImage image = PeImage::ParseIntactEntries(*bytes, layout);
      EXPECT_FALSE(image.FindData("ImgNames(1)"));
      const auto other = image.FindData("ImgNames(2)");
      ASSERT_TRUE(other);
      EXPECT_TRUE(std::equal(other->begin(), other->end(), photo2.begin(), photo2.end()));
      ASSERT_TRUE(image.FindData("AllDataSettings"));
    }
  }
}

// What the loader maps is what the file holds; a section that is not
// readable when mapped holds no resources, in either reading.
// The system maps a section straight from the file only where its data lies at
// the same place within a page as its address; elsewhere Wine's loader reads
// the whole section into private memory when the program starts, and an
// album's items would take memory from the start however they are read. The
// resource section the writer places (appended, or rebuilt where it was) lies
// so; the stub's own sections stay as they were.
TEST(PeWriter, TheResourceSectionCanBeMappedFromTheFile) {
  const Bytes text = TextOnly(), symbols = WithSymbolTable(TextOnly());
  const Bytes not_last = ResourceSectionNotLast();
  const Bytes last = WithResourceSection(TreeBytes().bytes);  // its data at 0x400, RVA 0x2000
  for (const Bytes* stub : {&text, &symbols, &not_last, &last}) {
    Bytes out = Write(*stub, Album());
    for (int pass = 0; pass < 2; ++pass, out = Write(out, Album())) {
      const uint32_t sections = Get32(out, kNumberOfSections) & 0xFFFF;
      for (uint32_t i = 0; i < sections; ++i) {
        const uint32_t rva = SectionField(out, static_cast<int>(i), 12);
        const uint32_t raw = SectionField(out, static_cast<int>(i), 20);
        if (rva == Get32(out, kDirectories + 16)) {
          EXPECT_EQ(raw % 0x1000, rva % 0x1000) << i;
          EXPECT_EQ(raw % 0x200, 0u);
          EXPECT_EQ(out.size(), raw + SectionField(out, static_cast<int>(i), 16));
        } else {
          EXPECT_EQ(raw, SectionField(*stub, static_cast<int>(i), 20)) << i;
        }
      }
      const auto image = PeImage::Parse(out, nullptr);
      ASSERT_TRUE(image);
      ExpectSameResources(image->Resources(), Album());
      const auto loaded = MapLikeLoader(out, kMaxImageSize, nullptr);
      ASSERT_TRUE(loaded);
      ExpectSameResources(PeImage::ParseIntactEntries(*loaded, ImageLayout::kLoaded).Resources(),
                          Album());
      EXPECT_EQ(Get32(out, kCheckSum), ReferenceChecksum(out));
    }
  }
}

TEST(PeReader, LoadedLayoutReadsLikeTheFile) {
  const Bytes album = Write(TextOnly(), Album());
  const auto loaded = MapLikeLoader(album, kMaxImageSize, nullptr);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->size(), Get32(album, kSizeOfImage));
  ExpectSameResources(PeImage::ParseIntactEntries(*loaded, ImageLayout::kLoaded).Resources(),
                      Album());
  EXPECT_FALSE(MapLikeLoader(album, loaded->size() - 1, nullptr));
  Bytes unreadable = album;
  Put32(unreadable, kTable + 40 + 36, 0x00000040);
  ParseError(unreadable);
  const auto mapped = MapLikeLoader(unreadable, kMaxImageSize, nullptr);
  ASSERT_TRUE(mapped);
  EXPECT_EQ(PeImage::ParseIntactEntries(*mapped, ImageLayout::kLoaded).resource_count(), 0u);
}

// The player reads an item's bytes from its own file at the place the mapped
// image's entry gives, never from the mapped copy (a read page stays in the
// process's memory); the mapped copy serves only when the file cannot be read.
TEST(PeReader, ThePlayerReadsItemsFromTheFileNotTheMappedImage) {
  const Bytes photo = Pattern(70'000, 1), settings = Pattern(500, 3);
  const Bytes album =
      Write(TextOnly(), {Data("ALLDATASETTINGS", settings), Data("IMGNAMES(1)", photo)});
  auto loaded = MapLikeLoader(album, kMaxImageSize, nullptr);
  ASSERT_TRUE(loaded);
  const auto mapped =
      PeImage::ParseIntactEntries(*loaded, ImageLayout::kLoaded).FindData("ImgNames(1)");
  ASSERT_TRUE(mapped);
  const auto in_image = static_cast<size_t>(mapped->data() - loaded->data());
  // The mapped copy of the photo differs from the file: whatever is read from
  // it shows.
  std::fill_n(loaded->begin() + static_cast<ptrdiff_t>(in_image), photo.size(), uint8_t{0xEE});
  std::vector<std::pair<uint64_t, size_t>> reads;
  bool fail = false;
  auto resources =
      PeImageResources::OverLoadedImage(*loaded, [&](uint64_t offset, std::span<uint8_t> out) {
        reads.emplace_back(offset, out.size());
        if (fail || offset + out.size() > album.size()) return false;
        std::copy_n(album.begin() + static_cast<ptrdiff_t>(offset), out.size(), out.begin());
        return true;
      });
  EXPECT_EQ(resources.LoadData("imgnames(1)"), photo);
  EXPECT_EQ(resources.LoadData("AllDataSettings"), settings);
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0].second, photo.size());
  EXPECT_FALSE(resources.LoadData("ImgNames(2)"));
  EXPECT_EQ(reads.size(), 2u);  // nothing read for a missing item
  fail = true;
  EXPECT_EQ(resources.LoadData("ImgNames(1)"), Bytes(photo.size(), 0xEE));
}

TEST(PeReader, RejectsDamagedHeaders) {
  const Bytes good = WithResourceSection(TreeBytes().bytes);
  std::vector<Bytes> bad(6, good);
  Put32(bad[0], 0x3C, 0xFFFFFFFC);                 // PE header beyond the file
  Put32(bad[1], kPe + 4, 0x014C | 0xFFFF << 16);   // section table beyond the file
  Put32(bad[2], kPe + 20, 0xFFFF | 0x0102 << 16);  // optional header beyond the file
  Put32(bad[3], kOpt + 92, 0x10000);               // directories beyond the optional header
  Put32(bad[4], kTable + 40 + 20, 0xFFFFFE00);     // resource data far beyond the file
  Put32(bad[5], kDirectories + 16, 0xFFFFFFF0);    // resource directory nowhere
  for (const Bytes& image : bad)
    ParseError(image);
  for (size_t size = 0; size < good.size(); size += 7) {
    ParseError(Bytes(good.begin(), good.begin() + static_cast<ptrdiff_t>(size)));
  }
}

// Set LANTERN_PE_SAMPLE to a real i386 executable to check the writer on it.
TEST(PeWriter, RealExecutableKeepsItsSections) {
  const char* path = std::getenv("LANTERN_PE_SAMPLE");
  if (!path) GTEST_SKIP() << "LANTERN_PE_SAMPLE is not set";
  std::ifstream file(path, std::ios::binary);
  const Bytes original{std::istreambuf_iterator<char>(file), {}};
  ASSERT_TRUE(PeImage::Parse(original, nullptr));
  const Bytes out = Write(original, Album());
  const auto image = PeImage::Parse(out, nullptr);
  ASSERT_TRUE(image);
  ExpectSameResources(image->Resources(), Album());
  const auto loaded = MapLikeLoader(out, kMaxImageSize, nullptr);
  ASSERT_TRUE(loaded);
  const auto big = PeImage::ParseIntactEntries(*loaded, ImageLayout::kLoaded).FindData("BIG");
  ASSERT_TRUE(big && image->FindDataInFile("BIG"));
  EXPECT_EQ(image->FindDataInFile("BIG")->offset % 0x1000,
            static_cast<uint64_t>(big->data() - loaded->data()) % 0x1000);
  const Bytes again = Write(out, {Data("X", {})});
  ASSERT_TRUE(PeImage::Parse(again, nullptr));
  EXPECT_EQ(PeImage::Parse(again, nullptr)->resource_count(), 1u);
}

}  // namespace
}  // namespace lantern::album
