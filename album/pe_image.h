// Resources of 32-bit Windows executables (PE32, i386): reading them from an
// image in memory and writing a copy of the image with a new set of resources.
// Albums live as DATA resources inside a copy of the player, so every offset,
// length and count read here comes from a file that may be damaged or hostile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lantern::album {

namespace detail {
class ResourceTreeReader;
}  // namespace detail

// How a resource's type and name are keyed: an integer ID or a UTF-16 name.
class ResourceKey {
 public:
  ResourceKey() = default;  // ID 0
  static ResourceKey Id(uint16_t id);
  static ResourceKey Name(std::u16string name);

  bool is_name() const { return is_name_; }
  uint16_t id() const { return id_; }  // 0 for names
  const std::u16string& name() const { return name_; }
  // "#14" for IDs, the UTF-8 name otherwise (for messages).
  std::string ToString() const;

  // Exact equality: names differing in case are different keys here.
  friend bool operator==(const ResourceKey&, const ResourceKey&) = default;

 private:
  bool is_name_ = false;
  uint16_t id_ = 0;
  std::u16string name_;
};

// The type the player's albums are stored under.
ResourceKey DataType();

// True if the keys name the same resource the way Windows looks them up:
// equal IDs, or names equal after upper-casing ASCII letters.
bool SameResourceKey(const ResourceKey& a, const ResourceKey& b);
// The order of entries in a resource directory: names before IDs, names by
// their UTF-16 code units after upper-casing ASCII letters, IDs ascending.
bool ResourceKeyLess(const ResourceKey& a, const ResourceKey& b);

// How the bytes of an image are laid out.
enum class ImageLayout {
  kFile,    // as stored on disk: a section's data at its file offset
  kLoaded,  // as the system's loader maps it: a section at its relative virtual address
};

struct ResourceEntry {
  ResourceKey type;
  ResourceKey name;
  uint16_t language = 0;
  std::vector<uint8_t> data;
};

// A parsed PE32 image and its resource tree. It views the bytes it was parsed
// from, which must outlive it.
class PeImage {
 public:
  // Parses the headers, the section table and the resource directory (type,
  // name, language). A damaged or foreign file gives nullopt and, if `error`
  // is given, a message saying what is wrong.
  static std::optional<PeImage> Parse(std::span<const uint8_t> bytes, std::string* error);
  // Reads the resources the way the player reads its own: every table and
  // data entry is held to the same bounds as in Parse, but a damaged entry
  // is left out (a lookup finds nothing, as for a missing item) and the rest
  // are read on. Headers that cannot be read give an image without resources.
  static PeImage ParseIntactEntries(std::span<const uint8_t> bytes, ImageLayout layout);

  size_t resource_count() const { return resources_.size(); }
  // Every resource in directory order, with copies of its bytes.
  std::vector<ResourceEntry> Resources() const;
  // The bytes of a resource, names matched ignoring ASCII case as Windows
  // does; the first language in directory order if it has several.
  std::optional<std::span<const uint8_t>> Find(const ResourceKey& type,
                                               const ResourceKey& name) const;
  // The bytes of the DATA resource with this (UTF-8) name, ignoring ASCII case.
  std::optional<std::span<const uint8_t>> FindData(std::string_view name) const;
  // Where FindData's bytes lie in the image's file (the same entry, held to
  // the same bounds): a section's data in the image is a copy of its file data.
  struct FilePlace {
    uint64_t offset = 0;
    uint32_t size = 0;
  };
  std::optional<FilePlace> FindDataInFile(std::string_view name) const;

 private:
  struct Located {
    ResourceKey type;
    ResourceKey name;
    uint16_t language = 0;
    uint64_t offset = 0;       // in the bytes parsed
    uint64_t file_offset = 0;  // in the image's file
    uint32_t size = 0;
  };
  friend class detail::ResourceTreeReader;
  const Located* Lookup(const ResourceKey& type, const ResourceKey& name) const;

  std::span<const uint8_t> bytes_;
  std::vector<Located> resources_;
};

// A file laid out as the system's loader maps it: the headers, each section's
// file data at its relative virtual address, zeros elsewhere. nullopt when
// the headers cannot be read or the image would be larger than `max_size`
// (with a message in `error` when given).
// Tools and tests read an album through it exactly as the running player
// sees its own file.
std::optional<std::vector<uint8_t>> MapLikeLoader(std::span<const uint8_t> file, uint64_t max_size,
                                                  std::string* error);

// The largest image (SizeOfImage) the writer produces: a 32-bit process
// cannot map much more than this in one piece.
inline constexpr uint64_t kMaxImageSize = uint64_t{1536} << 20;

// A resource to be written whose bytes come later: its key and its size.
struct ResourceSlot {
  ResourceKey type;
  ResourceKey name;
  uint16_t language = 0;
  uint64_t size = 0;
};

// An image with its new resources laid out but their bytes not yet in place,
// so that a writer can stream them: the file is `head`, then each slot's bytes
// at its offset (`data` is in file order), zeros in every gap and up to
// `file_size`. The checksum field (at `checksum_at`) is zero in `head`; the
// writer fills it in from a PeChecksum of the whole file.
struct ResourceLayout {
  struct Placed {
    size_t slot;      // index into the slots laid out
    uint64_t offset;  // in the file
  };
  std::vector<uint8_t> head;
  std::vector<Placed> data;
  uint64_t file_size = 0;
  uint64_t checksum_at = 0;
};

// The layout WriteResources gives the same image and resources (see there
// for what is refused).
std::optional<ResourceLayout> LayOutResources(std::span<const uint8_t> image,
                                              std::span<const ResourceSlot> slots,
                                              std::string* error);

// The sum the loader checks: the file's 16-bit little-endian words added with
// end-around carry, plus the file's length. Pieces may be added in any order,
// each with its offset in the file; the checksum field must count as zero.
class PeChecksum {
 public:
  void Add(uint64_t offset, std::span<const uint8_t> bytes);
  uint32_t Finish(uint64_t file_size) const;

 private:
  uint64_t sum_ = 0;
};

// Returns a copy of `image` whose resources are exactly `resources`, laid out
// as one resource section at the end of the image: the existing resource
// section is replaced if it is the last section, otherwise a new ".rsrc"
// section is appended and the old one left unused. The section's file data
// starts at the same offset within a 4096-byte page as its address, so that
// the loader can map it from the file instead of reading it all into memory.
// Headers and the checksum are updated. Refuses (nullopt and a message)
// images that are not PE32/i386, are signed, carry unknown data after their
// sections, have no room for another section header, or would grow past
// kMaxImageSize, and resource lists with duplicates.
std::optional<std::vector<uint8_t>> WriteResources(std::span<const uint8_t> image,
                                                   std::span<const ResourceEntry> resources,
                                                   std::string* error);

}  // namespace lantern::album
