// PE32 resources: header and section-table parsing, reading the resource
// directory tree, building a new resource section, and the PE checksum.
#include "album/pe_image.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <initializer_list>
#include <unordered_set>
#include <utility>

#include "base/text.h"

namespace lantern::album {

namespace {

// Header layout. Offsets in the optional header are relative to its start.
constexpr uint32_t kDosHeaderSize = 64;
constexpr uint32_t kDosLfanew = 0x3C;
constexpr uint32_t kFileHeaderSize = 20;
constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint32_t kOptSizeOfInitializedData = 8;
constexpr uint32_t kOptSectionAlignment = 32;
constexpr uint32_t kOptFileAlignment = 36;
constexpr uint32_t kOptSizeOfImage = 56;
constexpr uint32_t kOptSizeOfHeaders = 60;
constexpr uint32_t kOptCheckSum = 64;
constexpr uint32_t kOptRvaCount = 92;
constexpr uint32_t kOptDirectories = 96;
constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kCertificateDirectory = 4;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSymbolSize = 18;
constexpr uint32_t kResourceSectionFlags = 0x40000040;  // initialized data, readable
constexpr uint32_t kSectionReadable = 0x40000000;

// Resource directory layout.
constexpr uint32_t kTableHeaderSize = 16;
constexpr uint32_t kTableEntrySize = 8;
constexpr uint32_t kDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000;
constexpr uint32_t kDataAlignment = 8;
// More directory entries than any real album has; bounds the work a hostile
// file can ask for.
constexpr size_t kMaxDirectoryEntries = size_t{1} << 18;
// The same for the UTF-16 units of names read and copied into the entries: a
// few bytes of directory can name a 64K-unit string any number of times.
constexpr size_t kMaxNameUnits = size_t{1} << 22;

bool Fits(std::span<const uint8_t> bytes, uint64_t at, uint64_t length) {
  return at <= bytes.size() && length <= bytes.size() - at;
}

uint16_t Le16(std::span<const uint8_t> bytes, uint64_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t Le32(std::span<const uint8_t> bytes, uint64_t at) {
  return static_cast<uint32_t>(Le16(bytes, at)) | static_cast<uint32_t>(Le16(bytes, at + 2)) << 16;
}

void Put16(std::span<uint8_t> bytes, uint64_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::span<uint8_t> bytes, uint64_t at, uint32_t value) {
  Put16(bytes, at, static_cast<uint16_t>(value));
  Put16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// The page size of every system the player runs on.
constexpr uint64_t kPageSize = 4096;

// The first file offset from `at` on, on the file alignment, that lies at the
// same place within its page as the section's address. Only such a section
// can be mapped from the file page by page (Wine's loader otherwise reads the
// whole section into private memory at load). The address is a multiple of
// the section alignment, which is a multiple of the file alignment, so moving
// by the difference within the page keeps the file alignment.
uint64_t MappableFileOffset(uint64_t at, uint64_t virtual_address, uint32_t file_alignment) {
  const uint64_t aligned = AlignUp(at, file_alignment);
  return aligned + ((virtual_address - aligned) & (kPageSize - 1));
}

bool IsPowerOfTwo(uint32_t value) {
  return value != 0 && (value & (value - 1)) == 0;
}

char16_t AsciiUpper16(char16_t c) {
  return c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c;
}

// Joins message parts (appending, which also keeps GCC 12's -Wrestrict quiet).
std::string Join(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts)
    text += part;
  return text;
}

void SetError(std::string* error, std::string message) {
  if (error) *error = std::move(message);
}

struct Section {
  uint32_t virtual_size = 0;
  uint32_t virtual_address = 0;
  uint32_t raw_size = 0;
  uint32_t raw_pointer = 0;
  uint32_t characteristics = 0;

  uint64_t VirtualEnd() const {
    return uint64_t{virtual_address} + (virtual_size != 0 ? virtual_size : raw_size);
  }
  uint64_t RawEnd() const { return uint64_t{raw_pointer} + raw_size; }
  // The bytes the loader copies from the file; the rest of the section is zeros.
  uint32_t LoadedSize() const {
    return virtual_size != 0 ? std::min(virtual_size, raw_size) : raw_size;
  }
  // Where the section's data starts in bytes of the given layout.
  uint64_t DataAt(ImageLayout layout) const {
    return layout == ImageLayout::kFile ? raw_pointer : virtual_address;
  }
  // A section the loader maps without read access cannot hold resources.
  bool Readable() const { return (characteristics & kSectionReadable) != 0; }
};

struct DataDirectory {
  uint32_t rva = 0;
  uint32_t size = 0;
};

// What the reader and writer need of the headers, validated against the file.
struct Headers {
  uint32_t optional_at = 0;
  uint32_t section_table_at = 0;
  uint32_t symbol_table = 0;
  uint32_t symbol_count = 0;
  uint32_t rva_count = 0;
  std::vector<Section> sections;

  uint32_t Optional32(std::span<const uint8_t> bytes, uint32_t field) const {
    return Le32(bytes, uint64_t{optional_at} + field);
  }
  DataDirectory Directory(std::span<const uint8_t> bytes, uint32_t index) const {
    if (index >= rva_count) return {};
    const uint32_t field = kOptDirectories + index * 8;
    return {Optional32(bytes, field), Optional32(bytes, field + 4)};
  }
  uint64_t SectionTableEnd() const {
    return uint64_t{section_table_at} + uint64_t{kSectionHeaderSize} * sections.size();
  }
};

// Finds the PE signature and checks the file header: an i386 image.
std::optional<uint32_t> ParseFileHeader(std::span<const uint8_t> bytes, std::string* error) {
  if (!Fits(bytes, 0, kDosHeaderSize) || bytes[0] != 'M' || bytes[1] != 'Z') {
    SetError(error, "not an executable: no MZ header");
    return std::nullopt;
  }
  const uint32_t pe_at = Le32(bytes, kDosLfanew);
  if (!Fits(bytes, pe_at, 4 + kFileHeaderSize) || Le32(bytes, pe_at) != 0x00004550) {
    SetError(error, "not a PE image: no PE signature");
    return std::nullopt;
  }
  if (Le16(bytes, uint64_t{pe_at} + 4) != kMachineI386) {
    SetError(error, "not a 32-bit x86 (i386) image");
    return std::nullopt;
  }
  return pe_at;
}

// Reads the section table; every section's file data must lie in the file.
bool ReadSections(std::span<const uint8_t> bytes, Headers& headers, uint16_t count,
                  ImageLayout layout, std::string* error) {
  headers.sections.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    Section& section = headers.sections[i];
    const uint64_t at = headers.section_table_at + uint64_t{i} * kSectionHeaderSize;
    section.virtual_size = Le32(bytes, at + 8);
    section.virtual_address = Le32(bytes, at + 12);
    section.raw_size = Le32(bytes, at + 16);
    section.raw_pointer = Le32(bytes, at + 20);
    section.characteristics = Le32(bytes, at + 36);
    if (layout == ImageLayout::kFile && section.raw_size != 0 && section.RawEnd() > bytes.size()) {
      SetError(error, "a section's data runs past the end of the file (truncated?)");
      return false;
    }
  }
  return true;
}

std::optional<Headers> ParseHeaders(std::span<const uint8_t> bytes, std::string* error,
                                    ImageLayout layout = ImageLayout::kFile) {
  const std::optional<uint32_t> pe_at = ParseFileHeader(bytes, error);
  if (!pe_at) return std::nullopt;
  const uint64_t file_header = uint64_t{*pe_at} + 4;
  const uint16_t section_count = Le16(bytes, file_header + 2);
  const uint16_t optional_size = Le16(bytes, file_header + 16);
  Headers headers;
  headers.symbol_table = Le32(bytes, file_header + 8);
  headers.symbol_count = Le32(bytes, file_header + 12);
  const uint64_t optional_at = file_header + kFileHeaderSize;
  if (optional_size < kOptDirectories || !Fits(bytes, optional_at, optional_size)) {
    SetError(error, "the optional header is missing or truncated");
    return std::nullopt;
  }
  headers.optional_at = static_cast<uint32_t>(optional_at);
  if (Le16(bytes, optional_at) != kPe32Magic) {
    SetError(error, "not a PE32 image (the optional header is not the 32-bit kind)");
    return std::nullopt;
  }
  headers.rva_count = headers.Optional32(bytes, kOptRvaCount);
  if (headers.rva_count > (optional_size - kOptDirectories) / 8) {
    SetError(error, "the data directories run past the optional header");
    return std::nullopt;
  }
  const uint64_t table_at = optional_at + optional_size;
  if (!Fits(bytes, table_at, uint64_t{kSectionHeaderSize} * section_count)) {
    SetError(error, "the section table runs past the end of the file");
    return std::nullopt;
  }
  headers.section_table_at = static_cast<uint32_t>(table_at);
  if (!ReadSections(bytes, headers, section_count, layout, error)) return std::nullopt;
  return headers;
}

// The section holding `rva` and the offset of `rva` inside it.
const Section* FindSection(const Headers& headers, uint32_t rva, uint32_t& offset) {
  for (const Section& section : headers.sections) {
    if (rva >= section.virtual_address && rva < section.VirtualEnd()) {
      offset = rva - section.virtual_address;
      return &section;
    }
  }
  return nullptr;
}

// The one rule every resource table and data entry is held to: `size` bytes
// at `offset` into a section must lie in the part of it that the loader fills
// from the file, the section must be readable, and the bytes must lie inside
// the bytes given. Gives where they start in those bytes. The album checker
// applies it to the file, the player to its own image as mapped, so an album
// that passes the check reads in the player.
std::optional<uint64_t> Locate(std::span<const uint8_t> bytes, const Section& section,
                               uint32_t offset, uint32_t size, ImageLayout layout) {
  if (!section.Readable() || offset > section.LoadedSize() ||
      size > section.LoadedSize() - offset) {
    return std::nullopt;
  }
  const uint64_t at = section.DataAt(layout) + offset;
  if (!Fits(bytes, at, size)) return std::nullopt;
  return at;
}

// Where `size` bytes at `rva` start, if the rule above holds for them in a
// section: in the bytes given, and in the file.
struct Mapped {
  uint64_t at = 0;
  uint64_t file_offset = 0;
};
std::optional<Mapped> MapRva(std::span<const uint8_t> bytes, const Headers& headers, uint32_t rva,
                             uint32_t size, ImageLayout layout) {
  for (const Section& section : headers.sections) {
    if (rva < section.virtual_address) continue;
    const uint32_t offset = rva - section.virtual_address;
    if (auto at = Locate(bytes, section, offset, size, layout))
      return Mapped{*at, uint64_t{section.raw_pointer} + offset};
  }
  return std::nullopt;
}

// The bytes from `rva` to the end of its section's loaded data: where a
// resource directory's offsets point.
std::optional<std::span<const uint8_t>> SectionTail(std::span<const uint8_t> bytes,
                                                    const Headers& headers, uint32_t rva,
                                                    ImageLayout layout) {
  uint32_t offset = 0;
  const Section* section = FindSection(headers, rva, offset);
  if (!section || offset >= section->LoadedSize()) return std::nullopt;
  const uint32_t length = section->LoadedSize() - offset;
  const auto at = Locate(bytes, *section, offset, length, layout);
  if (!at) return std::nullopt;
  return bytes.subspan(static_cast<size_t>(*at), length);
}

bool NamesEqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return AsciiUpper16(x) == AsciiUpper16(y); });
}

}  // namespace

// --- Keys ---

ResourceKey ResourceKey::Id(uint16_t id) {
  ResourceKey key;
  key.id_ = id;
  return key;
}

ResourceKey ResourceKey::Name(std::u16string name) {
  ResourceKey key;
  key.is_name_ = true;
  key.name_ = std::move(name);
  return key;
}

std::string ResourceKey::ToString() const {
  return is_name_ ? base::Utf16ToUtf8(name_) : Join({"#", std::to_string(id_)});
}

ResourceKey DataType() {
  return ResourceKey::Name(u"DATA");
}

bool SameResourceKey(const ResourceKey& a, const ResourceKey& b) {
  if (a.is_name() != b.is_name()) return false;
  return a.is_name() ? NamesEqualIgnoringCase(a.name(), b.name()) : a.id() == b.id();
}

bool ResourceKeyLess(const ResourceKey& a, const ResourceKey& b) {
  if (a.is_name() != b.is_name()) return a.is_name();
  if (!a.is_name()) return a.id() < b.id();
  return std::lexicographical_compare(
      a.name().begin(), a.name().end(), b.name().begin(), b.name().end(),
      [](char16_t x, char16_t y) { return AsciiUpper16(x) < AsciiUpper16(y); });
}

// --- Reading the resource tree ---

namespace detail {

// How a reader treats what it reads.
struct ReadMode {
  ImageLayout layout = ImageLayout::kFile;
  // Leave a damaged entry out (with everything below it) and read on,
  // instead of refusing the whole directory.
  bool skip_damaged = false;
};

// Walks the three levels of the resource directory (type, name, language).
// Offsets are relative to the root, which is where the data directory points.
class ResourceTreeReader {
 public:
  ResourceTreeReader(std::span<const uint8_t> bytes, const Headers& headers, ReadMode mode,
                     std::string* error)
      : bytes_(bytes), headers_(headers), mode_(mode), error_(error) {}

  bool Read(uint32_t root_rva, std::vector<PeImage::Located>& out) {
    const auto tail = SectionTail(bytes_, headers_, root_rva, mode_.layout);
    if (!tail) return Fail("the resource directory lies outside the file's sections");
    view_ = *tail;
    out_ = &out;
    return ReadTable(0, 0, {}, {});
  }

 private:
  // Damage to one entry.
  bool Fail(std::string message) {
    SetError(error_, std::move(message));
    return false;
  }
  // A limit on the whole directory: reading ends here in either mode.
  bool Abort(std::string message) {
    aborted_ = true;
    return Fail(std::move(message));
  }

  bool ReadTable(uint32_t at, int level, const ResourceKey& type, const ResourceKey& name) {
    if (!visited_.insert(at).second) return Fail("the resource directory refers to itself");
    if (!Fits(view_, at, kTableHeaderSize))
      return Fail("a resource table lies outside the section");
    const uint32_t count = uint32_t{Le16(view_, at + 12)} + Le16(view_, at + 14);
    entries_ += count;
    if (entries_ > kMaxDirectoryEntries) {
      return Abort("the resource directory has too many entries");
    }
    const uint64_t first = uint64_t{at} + kTableHeaderSize;
    if (!Fits(view_, first, uint64_t{kTableEntrySize} * count)) {
      return Fail("a resource table's entries run past the section");
    }
    std::vector<ResourceKey> keys(count);
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t entry = first + uint64_t{i} * kTableEntrySize;
      const bool read = ReadKey(Le32(view_, entry), level, keys[i]) &&
                        ReadTarget(Le32(view_, entry + 4), level, type, name, keys[i]);
      if (!read && (aborted_ || !mode_.skip_damaged)) return false;
    }
    return mode_.skip_damaged || CheckDistinct(keys);
  }

  bool ChargeNames(size_t units) {
    name_units_ += units;
    return name_units_ <= kMaxNameUnits || Abort("the resource directory's names are too long");
  }

  bool ReadKey(uint32_t field, int level, ResourceKey& key) {
    if ((field & kHighBit) == 0) {
      if (field > 0xFFFF) return Fail("a resource ID is out of range");
      key = ResourceKey::Id(static_cast<uint16_t>(field));
      return true;
    }
    if (level == 2) return Fail("a resource language is named instead of numbered");
    const uint32_t at = field & ~kHighBit;
    if (!Fits(view_, at, 2)) return Fail("a resource name lies outside the section");
    const uint16_t length = Le16(view_, at);
    if (!Fits(view_, uint64_t{at} + 2, uint64_t{length} * 2)) {
      return Fail("a resource name runs past the section");
    }
    if (!ChargeNames(length)) return false;
    std::u16string name(length, u'\0');
    for (uint16_t i = 0; i < length; ++i)
      name[i] = Le16(view_, uint64_t{at} + 2 + 2 * i);
    key = ResourceKey::Name(std::move(name));
    return true;
  }

  bool ReadTarget(uint32_t field, int level, const ResourceKey& type, const ResourceKey& name,
                  const ResourceKey& key) {
    const bool is_table = (field & kHighBit) != 0;
    if (is_table != (level < 2)) return Fail("the resource directory is not three levels deep");
    const uint32_t at = field & ~kHighBit;
    if (level == 0) return ReadTable(at, 1, key, {});
    if (level == 1) return ReadTable(at, 2, type, key);
    return ReadData(at, type, name, key.id());
  }

  bool ReadData(uint32_t at, const ResourceKey& type, const ResourceKey& name, uint16_t language) {
    if (!Fits(view_, at, kDataEntrySize))
      return Fail("a resource data entry lies outside the section");
    const uint32_t rva = Le32(view_, at);
    const uint32_t size = Le32(view_, uint64_t{at} + 4);
    const std::optional<Mapped> mapped = MapRva(bytes_, headers_, rva, size, mode_.layout);
    if (!mapped) {
      return Fail(Join({"resource ", name.ToString(), "'s data lies outside the file's sections"}));
    }
    if (!ChargeNames(type.name().size() + name.name().size())) return false;
    // Resources never share bytes, so their sizes add up to less than the
    // file; this also bounds what listing the resources copies. The player
    // only looks entries up, so overlapping data does it no harm.
    data_bytes_ += size;
    if (!mode_.skip_damaged && data_bytes_ > bytes_.size()) {
      return Fail("the resources' data overlap");
    }
    out_->push_back({type, name, language, mapped->at, mapped->file_offset, size});
    return true;
  }

  // Windows finds one entry per key (names ignoring case); two would make a
  // lookup ambiguous.
  bool CheckDistinct(std::vector<ResourceKey>& keys) {
    std::sort(keys.begin(), keys.end(), ResourceKeyLess);
    for (size_t i = 1; i < keys.size(); ++i) {
      if (SameResourceKey(keys[i - 1], keys[i])) {
        return Fail(Join({"the resource directory lists ", keys[i].ToString(), " twice"}));
      }
    }
    return true;
  }

  std::span<const uint8_t> bytes_;
  const Headers& headers_;
  ReadMode mode_;
  std::string* error_;
  bool aborted_ = false;
  std::span<const uint8_t> view_;
  std::vector<PeImage::Located>* out_ = nullptr;
  std::unordered_set<uint32_t> visited_;
  size_t entries_ = 0;
  size_t name_units_ = 0;
  uint64_t data_bytes_ = 0;
};

}  // namespace detail

std::optional<PeImage> PeImage::Parse(std::span<const uint8_t> bytes, std::string* error) {
  const std::optional<Headers> headers = ParseHeaders(bytes, error);
  if (!headers) return std::nullopt;
  PeImage image;
  image.bytes_ = bytes;
  const DataDirectory directory = headers->Directory(bytes, kResourceDirectory);
  if (directory.rva == 0) return image;
  detail::ResourceTreeReader reader(bytes, *headers, {}, error);
  if (!reader.Read(directory.rva, image.resources_)) return std::nullopt;
  return image;
}

PeImage PeImage::ParseIntactEntries(std::span<const uint8_t> bytes, ImageLayout layout) {
  PeImage image;
  image.bytes_ = bytes;
  const std::optional<Headers> headers = ParseHeaders(bytes, nullptr, layout);
  if (!headers) return image;
  const DataDirectory directory = headers->Directory(bytes, kResourceDirectory);
  if (directory.rva == 0) return image;
  detail::ResourceTreeReader reader(bytes, *headers, {layout, /*skip_damaged=*/true}, nullptr);
  reader.Read(directory.rva, image.resources_);
  return image;
}

std::optional<std::vector<uint8_t>> MapLikeLoader(std::span<const uint8_t> file, uint64_t max_size,
                                                  std::string* error) {
  const std::optional<Headers> headers = ParseHeaders(file, error);
  if (!headers) return std::nullopt;
  const uint64_t size = headers->Optional32(file, kOptSizeOfImage);
  const uint64_t header_bytes =
      std::max<uint64_t>(headers->Optional32(file, kOptSizeOfHeaders), headers->SectionTableEnd());
  if (size > max_size || size < header_bytes) {
    SetError(error, "the image's size (SizeOfImage) is out of range");
    return std::nullopt;
  }
  // The loader maps each section's data at its own place: after the
  // headers, inside the image, never over another section's.
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  for (const Section& section : headers->sections) {
    if (section.LoadedSize() == 0) continue;
    ranges.emplace_back(section.virtual_address,
                        uint64_t{section.virtual_address} + section.LoadedSize());
  }
  std::sort(ranges.begin(), ranges.end());
  for (size_t i = 0; i < ranges.size(); ++i) {
    const uint64_t floor = i == 0 ? header_bytes : ranges[i - 1].second;
    if (ranges[i].first < floor || ranges[i].second > size) {
      SetError(error, "a section lies over the headers, another section or the image's end");
      return std::nullopt;
    }
  }
  std::vector<uint8_t> image(static_cast<size_t>(size), 0);
  std::copy_n(file.begin(), std::min<uint64_t>(header_bytes, file.size()), image.begin());
  for (const Section& section : headers->sections) {
    const uint32_t loaded = section.LoadedSize();
    if (loaded == 0) continue;
    std::copy_n(file.begin() + static_cast<ptrdiff_t>(section.raw_pointer), loaded,
                image.begin() + static_cast<ptrdiff_t>(section.virtual_address));
  }
  return image;
}

std::vector<ResourceEntry> PeImage::Resources() const {
  std::vector<ResourceEntry> entries;
  entries.reserve(resources_.size());
  for (const Located& located : resources_) {
    const auto data = bytes_.subspan(static_cast<size_t>(located.offset), located.size);
    entries.push_back({located.type, located.name, located.language, {data.begin(), data.end()}});
  }
  return entries;
}

const PeImage::Located* PeImage::Lookup(const ResourceKey& type, const ResourceKey& name) const {
  for (const Located& located : resources_) {
    if (SameResourceKey(located.type, type) && SameResourceKey(located.name, name)) return &located;
  }
  return nullptr;
}

std::optional<std::span<const uint8_t>> PeImage::Find(const ResourceKey& type,
                                                      const ResourceKey& name) const {
  const Located* located = Lookup(type, name);
  if (located == nullptr) return std::nullopt;
  return bytes_.subspan(static_cast<size_t>(located->offset), located->size);
}

std::optional<std::span<const uint8_t>> PeImage::FindData(std::string_view name) const {
  return Find(DataType(), ResourceKey::Name(base::Utf8ToUtf16(name)));
}

std::optional<PeImage::FilePlace> PeImage::FindDataInFile(std::string_view name) const {
  const Located* located = Lookup(DataType(), ResourceKey::Name(base::Utf8ToUtf16(name)));
  if (located == nullptr) return std::nullopt;
  return FilePlace{located->file_offset, located->size};
}

// --- Building a resource section ---

namespace {

struct NameNode {
  const ResourceKey* key = nullptr;
  std::vector<const ResourceSlot*> languages;  // ascending
  uint32_t table_at = 0;
};

struct TypeNode {
  const ResourceKey* key = nullptr;
  std::vector<NameNode> names;  // in directory order
  uint32_t table_at = 0;
};

bool EntryLess(const ResourceSlot* a, const ResourceSlot* b) {
  if (ResourceKeyLess(a->type, b->type)) return true;
  if (ResourceKeyLess(b->type, a->type)) return false;
  if (ResourceKeyLess(a->name, b->name)) return true;
  if (ResourceKeyLess(b->name, a->name)) return false;
  return a->language < b->language;
}

// Keys that Windows would take for one but are spelled differently cannot
// both be stored as given.
bool CheckSameSpelling(const ResourceKey& a, const ResourceKey& b, std::string* error) {
  if (a == b) return true;
  SetError(error,
           Join({"resource names ", a.ToString(), " and ", b.ToString(), " differ only in case"}));
  return false;
}

bool AddToTree(std::vector<TypeNode>& tree, const ResourceSlot* entry, std::string* error) {
  if (tree.empty() || !SameResourceKey(*tree.back().key, entry->type)) {
    tree.push_back({&entry->type, {}, 0});
  } else if (!CheckSameSpelling(*tree.back().key, entry->type, error)) {
    return false;
  }
  std::vector<NameNode>& names = tree.back().names;
  if (names.empty() || !SameResourceKey(*names.back().key, entry->name)) {
    names.push_back({&entry->name, {}, 0});
  } else if (!CheckSameSpelling(*names.back().key, entry->name, error)) {
    return false;
  } else if (names.back().languages.back()->language == entry->language) {
    SetError(error, Join({"resource ", entry->type.ToString(), "/", entry->name.ToString(),
                          " language ", std::to_string(entry->language), " is listed twice"}));
    return false;
  }
  names.back().languages.push_back(entry);
  return true;
}

bool CheckKey(const ResourceKey& key, std::string* error) {
  if (key.name().size() <= 0xFFFF) return true;
  SetError(error, "a resource name is too long");
  return false;
}

// Groups the resources into the directory's type, name and language tables,
// in the order Windows' binary search expects.
std::optional<std::vector<TypeNode>> BuildTree(std::span<const ResourceSlot> resources,
                                               std::string* error) {
  std::vector<const ResourceSlot*> sorted;
  sorted.reserve(resources.size());
  for (const ResourceSlot& entry : resources) {
    if (!CheckKey(entry.type, error) || !CheckKey(entry.name, error)) return std::nullopt;
    sorted.push_back(&entry);
  }
  std::sort(sorted.begin(), sorted.end(), EntryLess);
  std::vector<TypeNode> tree;
  for (const ResourceSlot* entry : sorted) {
    if (!AddToTree(tree, entry, error)) return std::nullopt;
  }
  return tree;
}

uint64_t TableSize(size_t entries) {
  return kTableHeaderSize + uint64_t{kTableEntrySize} * entries;
}

uint64_t StringSize(const ResourceKey& key) {
  return key.is_name() ? 2 + 2 * key.name().size() : 0;
}

// Where each part of the section goes: the tables, then the names, then the
// data entries, then the data, each item aligned for the loader's readers.
struct Layout {
  uint64_t strings_at = 0;
  uint64_t entries_at = 0;
  uint64_t data_at = 0;
  uint64_t size = 0;
};

Layout PlanLayout(std::vector<TypeNode>& tree) {
  uint64_t at = TableSize(tree.size());
  uint64_t strings = 0;
  uint64_t entries = 0;
  for (TypeNode& type : tree) {
    type.table_at = static_cast<uint32_t>(at);
    at += TableSize(type.names.size());
    strings += StringSize(*type.key);
  }
  for (TypeNode& type : tree) {
    for (NameNode& name : type.names) {
      name.table_at = static_cast<uint32_t>(at);
      at += TableSize(name.languages.size());
      strings += StringSize(*name.key);
      entries += name.languages.size();
    }
  }
  Layout layout;
  layout.strings_at = at;
  layout.entries_at = AlignUp(at + strings, 4);
  layout.data_at = AlignUp(layout.entries_at + entries * kDataEntrySize, kDataAlignment);
  uint64_t end = layout.data_at;
  for (const TypeNode& type : tree) {
    for (const NameNode& name : type.names) {
      for (const ResourceSlot* entry : name.languages)
        end = AlignUp(end, kDataAlignment) + entry->size;
    }
  }
  layout.size = end;
  return layout;
}

// Fills the zeroed directory part of a section (everything before the data)
// from the tree and its layout, and says where in the file each slot's bytes go.
class SectionWriter {
 public:
  SectionWriter(std::span<uint8_t> out, const Layout& layout, uint32_t section_rva,
                uint64_t section_offset, const ResourceSlot* first_slot,
                std::vector<ResourceLayout::Placed>& placed)
      : out_(out),
        section_rva_(section_rva),
        section_offset_(section_offset),
        first_slot_(first_slot),
        placed_(placed),
        string_at_(layout.strings_at),
        entry_at_(layout.entries_at),
        data_at_(layout.data_at) {}

  void Write(const std::vector<TypeNode>& tree) {
    WriteTableHeader(0, tree, [](const TypeNode& type) { return type.key; });
    for (size_t i = 0; i < tree.size(); ++i) {
      WriteEntry(0, i, *tree[i].key, kHighBit | tree[i].table_at);
    }
    for (const TypeNode& type : tree) {
      WriteTableHeader(type.table_at, type.names, [](const NameNode& name) { return name.key; });
      for (size_t i = 0; i < type.names.size(); ++i) {
        WriteEntry(type.table_at, i, *type.names[i].key, kHighBit | type.names[i].table_at);
        WriteLanguages(type.names[i]);
      }
    }
  }

 private:
  template <typename Nodes, typename KeyOf>
  void WriteTableHeader(uint64_t at, const Nodes& nodes, KeyOf key_of) {
    const auto named = std::count_if(nodes.begin(), nodes.end(),
                                     [&](const auto& node) { return key_of(node)->is_name(); });
    Put16(out_, at + 12, static_cast<uint16_t>(named));
    Put16(out_, at + 14, static_cast<uint16_t>(nodes.size() - static_cast<size_t>(named)));
  }

  void WriteEntry(uint64_t table_at, size_t index, const ResourceKey& key, uint32_t target) {
    const uint64_t at = table_at + kTableHeaderSize + index * kTableEntrySize;
    Put32(out_, at, key.is_name() ? kHighBit | WriteString(key.name()) : key.id());
    Put32(out_, at + 4, target);
  }

  uint32_t WriteString(const std::u16string& name) {
    const uint64_t at = string_at_;
    Put16(out_, at, static_cast<uint16_t>(name.size()));
    for (size_t i = 0; i < name.size(); ++i)
      Put16(out_, at + 2 + 2 * i, name[i]);
    string_at_ += 2 + 2 * name.size();
    return static_cast<uint32_t>(at);
  }

  void WriteLanguages(const NameNode& name) {
    Put16(out_, name.table_at + 14, static_cast<uint16_t>(name.languages.size()));
    for (size_t i = 0; i < name.languages.size(); ++i) {
      const ResourceSlot& entry = *name.languages[i];
      const uint64_t at = name.table_at + kTableHeaderSize + i * kTableEntrySize;
      Put32(out_, at, entry.language);
      Put32(out_, at + 4, static_cast<uint32_t>(entry_at_));
      WriteData(entry);
    }
  }

  void WriteData(const ResourceSlot& entry) {
    data_at_ = AlignUp(data_at_, kDataAlignment);
    Put32(out_, entry_at_, static_cast<uint32_t>(section_rva_ + data_at_));
    Put32(out_, entry_at_ + 4, static_cast<uint32_t>(entry.size));
    entry_at_ += kDataEntrySize;
    placed_.push_back({static_cast<size_t>(&entry - first_slot_), section_offset_ + data_at_});
    data_at_ += entry.size;
  }

  std::span<uint8_t> out_;
  uint64_t section_rva_;
  uint64_t section_offset_;
  const ResourceSlot* first_slot_;
  std::vector<ResourceLayout::Placed>& placed_;
  uint64_t string_at_;
  uint64_t entry_at_;
  uint64_t data_at_;
};

// Tables hold 16-bit counts of named and numbered entries.
bool CheckTableCounts(const std::vector<TypeNode>& tree, std::string* error) {
  bool fits = tree.size() <= 0xFFFF;
  for (const TypeNode& type : tree)
    fits = fits && type.names.size() <= 0xFFFF;
  if (!fits) SetError(error, "too many resources of one type");
  return fits;
}

// --- Placing the section and updating the headers ---

struct Placement {
  bool in_place = false;  // replaces the last section instead of adding one
  size_t index = 0;       // the section written
  uint32_t virtual_address = 0;
  uint32_t raw_pointer = 0;  // a mappable offset (MappableFileOffset), zeros before it
  uint64_t kept = 0;         // bytes of the original copied to the output's start
};

struct Alignments {
  uint32_t section = 0;
  uint32_t file = 0;
};

std::optional<Alignments> CheckWritable(std::span<const uint8_t> image, const Headers& headers,
                                        std::string* error) {
  if (headers.rva_count <= kResourceDirectory) {
    SetError(error, "the image has no slot for a resource directory");
    return std::nullopt;
  }
  const DataDirectory certificates = headers.Directory(image, kCertificateDirectory);
  if (certificates.rva != 0 || certificates.size != 0) {
    SetError(error, "the image is signed; changing its resources would break the signature");
    return std::nullopt;
  }
  const Alignments alignments{headers.Optional32(image, kOptSectionAlignment),
                              headers.Optional32(image, kOptFileAlignment)};
  if (!IsPowerOfTwo(alignments.section) || !IsPowerOfTwo(alignments.file) ||
      alignments.file > 0x10000 || alignments.file > alignments.section) {
    SetError(error, "the image's section or file alignment is invalid");
    return std::nullopt;
  }
  if (image.size() > kMaxImageSize) {
    SetError(error, "the image is too large to load in a 32-bit process");
    return std::nullopt;
  }
  if (headers.Optional32(image, kOptSizeOfHeaders) > image.size()) {
    SetError(error, "the image's headers are larger than the file");
    return std::nullopt;
  }
  for (const Section& section : headers.sections) {
    if (section.raw_size == 0) continue;
    if (section.raw_pointer < headers.SectionTableEnd()) {
      SetError(error, "a section's data lies over the headers");
      return std::nullopt;
    }
  }
  return alignments;
}

uint64_t SectionDataEnd(const Headers& headers) {
  uint64_t end = headers.SectionTableEnd();
  for (const Section& section : headers.sections) {
    if (section.raw_size != 0) end = std::max(end, section.RawEnd());
  }
  return end;
}

// Linkers leave the COFF symbol table (and its string table, which holds the
// long section names) after the last section. It is kept where it is.
bool IsSymbolTable(std::span<const uint8_t> image, const Headers& headers, uint64_t at) {
  if (headers.symbol_table == 0 || headers.symbol_table != at) return false;
  const uint64_t strings = at + uint64_t{kSymbolSize} * headers.symbol_count;
  return Fits(image, strings, 4) && strings + Le32(image, strings) == image.size();
}

// The existing resource section can be rebuilt where it is if it starts with
// the resource directory, comes last in memory and in the file, and holds
// nothing else the headers point to.
bool CanReplaceInPlace(std::span<const uint8_t> image, const Headers& headers,
                       const Section& target) {
  const uint64_t start = target.virtual_address;
  if (target.raw_size == 0 || target.RawEnd() != image.size()) return false;
  for (const Section& section : headers.sections) {
    if (&section == &target) continue;
    if (section.VirtualEnd() > start) return false;
    if (section.raw_size != 0 && section.RawEnd() > target.raw_pointer) return false;
  }
  for (uint32_t i = 0; i < headers.rva_count; ++i) {
    const uint32_t rva = headers.Directory(image, i).rva;
    if (i != kResourceDirectory && i != kCertificateDirectory && rva >= start &&
        rva < target.VirtualEnd()) {
      return false;
    }
  }
  return true;
}

bool HeaderSlotIsFree(std::span<const uint8_t> image, const Headers& headers) {
  const uint64_t slot = headers.SectionTableEnd();
  uint64_t limit = headers.Optional32(image, kOptSizeOfHeaders);
  for (const Section& section : headers.sections) {
    if (section.raw_size != 0) limit = std::min<uint64_t>(limit, section.raw_pointer);
  }
  if (headers.sections.size() >= 0xFFFF || slot + kSectionHeaderSize > limit ||
      !Fits(image, slot, kSectionHeaderSize)) {
    return false;
  }
  const auto bytes = image.subspan(static_cast<size_t>(slot), kSectionHeaderSize);
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

std::optional<Placement> PlaceAppended(std::span<const uint8_t> image, const Headers& headers,
                                       const Alignments& alignments, std::string* error) {
  if (!HeaderSlotIsFree(image, headers)) {
    SetError(error, "no room in the image's headers for another section header");
    return std::nullopt;
  }
  uint64_t virtual_end = headers.Optional32(image, kOptSizeOfHeaders);
  for (const Section& section : headers.sections) {
    virtual_end = std::max(virtual_end, section.VirtualEnd());
  }
  const uint64_t address = AlignUp(virtual_end, alignments.section);
  if (address > kMaxImageSize) {
    SetError(error, "the image is too large to load in a 32-bit process");
    return std::nullopt;
  }
  Placement placement;
  placement.index = headers.sections.size();
  placement.virtual_address = static_cast<uint32_t>(address);
  placement.raw_pointer =
      static_cast<uint32_t>(MappableFileOffset(image.size(), address, alignments.file));
  placement.kept = image.size();
  return placement;
}

std::optional<Placement> Place(std::span<const uint8_t> image, const Headers& headers,
                               const Alignments& alignments, std::string* error) {
  const uint64_t data_end = SectionDataEnd(headers);
  if (data_end < image.size() && !IsSymbolTable(image, headers, data_end)) {
    SetError(error, "the image carries extra data after its sections");
    return std::nullopt;
  }
  uint32_t offset = 0;
  const uint32_t rva = headers.Directory(image, kResourceDirectory).rva;
  const Section* current = rva != 0 ? FindSection(headers, rva, offset) : nullptr;
  if (current && current == &headers.sections.back() && offset == 0 &&
      CanReplaceInPlace(image, headers, *current)) {
    const uint64_t raw =
        MappableFileOffset(current->raw_pointer, current->virtual_address, alignments.file);
    return Placement{true, headers.sections.size() - 1, current->virtual_address,
                     static_cast<uint32_t>(raw), current->raw_pointer};
  }
  return PlaceAppended(image, headers, alignments, error);
}

void WriteSectionHeader(std::span<uint8_t> out, const Placement& placement, uint64_t at,
                        uint32_t virtual_size, uint32_t raw_size) {
  if (!placement.in_place) {
    std::memcpy(&out[at], ".rsrc\0\0\0", 8);
    Put32(out, at + 12, placement.virtual_address);
    Put32(out, at + 36, kResourceSectionFlags);
  }
  Put32(out, at + 8, virtual_size);
  Put32(out, at + 16, raw_size);
  Put32(out, at + 20, placement.raw_pointer);
}

struct NewSection {
  uint32_t virtual_size = 0;
  uint32_t raw_size = 0;
  uint32_t size_of_image = 0;
};

void UpdateHeaders(std::span<uint8_t> out, const Headers& headers, const Placement& placement,
                   const NewSection& section) {
  const uint64_t optional = headers.optional_at;
  const uint64_t header_at =
      headers.section_table_at + placement.index * uint64_t{kSectionHeaderSize};
  WriteSectionHeader(out, placement, header_at, section.virtual_size, section.raw_size);
  if (!placement.in_place) {
    Put16(out, optional - kFileHeaderSize + 2, static_cast<uint16_t>(headers.sections.size() + 1));
  }
  const uint32_t replaced = placement.in_place ? headers.sections.back().raw_size : 0;
  const int64_t initialized =
      int64_t{Le32(out, optional + kOptSizeOfInitializedData)} - replaced + section.raw_size;
  Put32(out, optional + kOptSizeOfInitializedData,
        static_cast<uint32_t>(std::clamp<int64_t>(initialized, 0, UINT32_MAX)));
  Put32(out, optional + kOptSizeOfImage, section.size_of_image);
  const uint64_t directory = optional + kOptDirectories + kResourceDirectory * 8;
  Put32(out, directory, placement.virtual_address);
  Put32(out, directory + 4, section.virtual_size);
  Put32(out, optional + kOptCheckSum, 0);
}

}  // namespace

static_assert(std::endian::native == std::endian::little, "the checksum reads words as stored");

void PeChecksum::Add(uint64_t offset, std::span<const uint8_t> bytes) {
  size_t i = 0;
  if (offset % 2 != 0 && !bytes.empty()) sum_ += uint64_t{bytes[i++]} << 8;
  // From here on bytes[i] starts a word. The folded sum only depends on the
  // total modulo 0xFFFF (and on whether it is zero), and 2^16 is 1 modulo
  // 0xFFFF, so eight bytes can be added as two 32-bit halves: the same as
  // adding their four words, and it vectorises.
  uint64_t blocks = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t v;
    std::memcpy(&v, bytes.data() + i, 8);
    blocks += (v & 0xFFFFFFFF) + (v >> 32);
  }
  sum_ += blocks;
  for (; i + 1 < bytes.size(); i += 2)
    sum_ += bytes[i] | uint32_t{bytes[i + 1]} << 8;
  if (i < bytes.size()) sum_ += bytes[i];  // a lone last byte is the low half of its word
}

uint32_t PeChecksum::Finish(uint64_t file_size) const {
  uint64_t sum = sum_;
  while (sum >> 16)
    sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + file_size);
}

std::optional<ResourceLayout> LayOutResources(std::span<const uint8_t> image,
                                              std::span<const ResourceSlot> slots,
                                              std::string* error) {
  const std::optional<Headers> headers = ParseHeaders(image, error);
  if (!headers) return std::nullopt;
  const std::optional<Alignments> alignments = CheckWritable(image, *headers, error);
  if (!alignments) return std::nullopt;
  std::optional<std::vector<TypeNode>> tree = BuildTree(slots, error);
  if (!tree || !CheckTableCounts(*tree, error)) return std::nullopt;
  const std::optional<Placement> placement = Place(image, *headers, *alignments, error);
  if (!placement) return std::nullopt;

  const Layout layout = PlanLayout(*tree);
  const uint64_t raw_size = AlignUp(layout.size, alignments->file);
  const uint64_t image_size =
      AlignUp(placement->virtual_address + layout.size, alignments->section);
  const uint64_t file_size = placement->raw_pointer + raw_size;
  if (image_size > kMaxImageSize || file_size > kMaxImageSize) {
    SetError(error, "the image would be too large to load in a 32-bit process");
    return std::nullopt;
  }

  ResourceLayout out;
  out.file_size = file_size;
  out.checksum_at = headers->optional_at + kOptCheckSum;
  out.head.assign(image.begin(), image.begin() + static_cast<ptrdiff_t>(placement->kept));
  out.head.resize(static_cast<size_t>(placement->raw_pointer + layout.data_at));
  const std::span<uint8_t> directory(out.head.data() + placement->raw_pointer,
                                     static_cast<size_t>(layout.data_at));
  SectionWriter(directory, layout, placement->virtual_address, placement->raw_pointer, slots.data(),
                out.data)
      .Write(*tree);
  UpdateHeaders(out.head, *headers, *placement,
                {static_cast<uint32_t>(layout.size), static_cast<uint32_t>(raw_size),
                 static_cast<uint32_t>(image_size)});
  return out;
}

std::optional<std::vector<uint8_t>> WriteResources(std::span<const uint8_t> image,
                                                   std::span<const ResourceEntry> resources,
                                                   std::string* error) {
  std::vector<ResourceSlot> slots;
  slots.reserve(resources.size());
  for (const ResourceEntry& r : resources)
    slots.push_back({r.type, r.name, r.language, r.data.size()});
  std::optional<ResourceLayout> layout = LayOutResources(image, slots, error);
  if (!layout) return std::nullopt;
  std::vector<uint8_t> out = std::move(layout->head);
  out.resize(static_cast<size_t>(layout->file_size));
  for (const ResourceLayout::Placed& placed : layout->data) {
    const std::vector<uint8_t>& data = resources[placed.slot].data;
    std::copy(data.begin(), data.end(), out.begin() + static_cast<ptrdiff_t>(placed.offset));
  }
  PeChecksum checksum;
  checksum.Add(0, out);
  Put32(out, layout->checksum_at, checksum.Finish(out.size()));
  return out;
}

}  // namespace lantern::album
