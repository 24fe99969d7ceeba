// Writing album content into a copy of the player.
#include "tools/albumpack/album_writer.h"

#include <algorithm>

#include "album/items.h"
#include "base/text.h"

namespace lantern::albumpack {

namespace {

// Items are read and written this much at a time.
constexpr size_t kChunk = size_t{1} << 20;

album::Value ToValue(const Setting& s) {
  switch (s.kind) {
    case SettingKind::kFlag:
      return album::Value::Flag(s.flag);
    case SettingKind::kInt:
      return album::Value::Int32(s.number);
    case SettingKind::kSingle:
      return album::Value::Single(s.single);
    case SettingKind::kText:
      break;
  }
  return album::Value::Text(s.text);
}

album::ResourceSlot DataSlot(const std::string& name, uint64_t size) {
  const std::u16string upper = base::Utf8ToUtf16(base::AsciiUpper(name));
  return {album::DataType(), album::ResourceKey::Name(upper), 0, size};
}

// The album in a byte vector, for callers that want it in memory.
class VectorOutput final : public OutputStream {
 public:
  WriteOutcome Append(std::span<const uint8_t> bytes, std::string&) override {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return WriteOutcome::kWritten;
  }
  WriteOutcome Overwrite(uint64_t offset, std::span<const uint8_t> bytes, std::string&) override {
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<ptrdiff_t>(offset));
    return WriteOutcome::kWritten;
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// The key stream every item is scrambled with, from its first byte on.
const std::vector<uint8_t>& ItemKey() {
  static const std::vector<uint8_t> key = [] {
    std::vector<uint8_t> k(album::kScrambledItemBytes);
    album::ApplyItemKeyStream(k);
    return k;
  }();
  return key;
}

}  // namespace

std::vector<uint8_t> SettingsBlob(const AlbumContent& content) {
  album::PropertyBagWriter writer;
  for (const Setting& s : content.settings)
    writer.Set(s.key, ToValue(s));
  return writer.Blob();
}

std::optional<AlbumImage> AlbumImage::LayOut(std::span<const uint8_t> stub,
                                             const AlbumContent& content, std::string* error) {
  const auto image = album::PeImage::Parse(stub, error);
  if (!image) return std::nullopt;
  AlbumImage album;
  album.content_ = &content;
  std::vector<album::ResourceSlot> slots;
  for (album::ResourceEntry& own : image->Resources()) {
    if (album::SameResourceKey(own.type, album::DataType())) continue;
    slots.push_back({own.type, own.name, own.language, own.data.size()});
    album.sources_.push_back({Source::Kind::kOwn, album.own_.size()});
    album.own_.push_back(std::move(own));
  }
  album.settings_ = SettingsBlob(content);
  slots.push_back(DataSlot(album::kSettingsItem, album.settings_.size()));
  album.sources_.push_back({Source::Kind::kSettings, 0});
  for (size_t i = 0; i < content.items.size(); ++i) {
    slots.push_back(DataSlot(content.items[i].name, content.items[i].size()));
    album.sources_.push_back({Source::Kind::kItem, i});
  }
  std::optional<album::ResourceLayout> layout = album::LayOutResources(stub, slots, error);
  if (!layout) return std::nullopt;
  album.layout_ = std::move(*layout);
  return album;
}

// One pass of writing: the bytes go out in file order, summed for the
// checksum on the way. They are gathered in a page-aligned chunk that is
// written whenever the file reaches a multiple of the chunk size, so that
// every write but the last starts and ends on page boundaries of both the
// memory and the file, which the system copies about twice as fast as
// megabyte writes at the odd offsets where resources start.
class AlbumImage::Writer {
 public:
  Writer(OutputStream& out, std::string& why)
      : out_(out), why_(why), storage_(kChunk + kPage), chunk_(Aligned(storage_.data())) {}

  WriteOutcome Append(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
      const size_t n = std::min(bytes.size(), Room().size());
      std::copy_n(bytes.data(), n, Room().data());
      if (const WriteOutcome o = Commit(n); o != WriteOutcome::kWritten) return o;
      bytes = bytes.subspan(n);
    }
    return WriteOutcome::kWritten;
  }

  // Zeros up to `offset`: the alignment between resources and at the end.
  WriteOutcome PadTo(uint64_t offset) {
    while (at_ < offset) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(Room().size(), offset - at_));
      std::fill_n(Room().data(), n, uint8_t{0});
      if (const WriteOutcome o = Commit(n); o != WriteOutcome::kWritten) return o;
    }
    return WriteOutcome::kWritten;
  }

  // The item's bytes, scrambled: from memory, or read from its file straight
  // into the chunk.
  WriteOutcome AppendItem(const Item& item) {
    item_at_ = at_;
    scrambling_ = true;
    const WriteOutcome outcome = AppendItemBytes(item);
    scrambling_ = false;
    return outcome;
  }

  // Writes what is gathered and fills in the checksum.
  WriteOutcome Finish(uint64_t checksum_at) {
    if (const WriteOutcome o = Flush(); o != WriteOutcome::kWritten) return o;
    uint8_t le[4];
    const uint32_t sum = checksum_.Finish(at_);
    for (int i = 0; i < 4; ++i)
      le[i] = static_cast<uint8_t>(sum >> (8 * i));
    return out_.Overwrite(checksum_at, le, why_);
  }

 private:
  WriteOutcome AppendItemBytes(const Item& item) {
    if (item.file.empty()) return Append(item.bytes);
    std::optional<InputFile> file = InputFile::Open(item.file, why_);
    if (!file) return Failed(item, "cannot read: " + why_);
    for (;;) {
      const std::optional<size_t> n = file->Read(Room(), why_);
      if (!n) return Failed(item, "cannot read: " + why_);
      if (at_ + *n - item_at_ > item.file_size) break;
      const bool end = *n < Room().size();
      if (const WriteOutcome o = Commit(*n); o != WriteOutcome::kWritten) return o;
      if (end) break;
    }
    if (at_ - item_at_ != item.file_size) {
      return Failed(item, "the file changed while the album was written");
    }
    return WriteOutcome::kWritten;
  }

  static constexpr size_t kPage = 4096;

  static uint8_t* Aligned(uint8_t* p) {
    const auto address = reinterpret_cast<uintptr_t>(p);
    return p + (kPage - address % kPage) % kPage;
  }

  // The free part of the chunk: up to the file's next multiple of kChunk.
  std::span<uint8_t> Room() { return {chunk_ + fill_, kChunk - fill_}; }

  // Takes `n` bytes just placed in Room(): scrambles those that belong to the
  // start of an item, sums them, and writes the chunk once it is full.
  WriteOutcome Commit(size_t n) {
    const std::span<uint8_t> placed(chunk_ + fill_, n);
    if (scrambling_) Scramble(placed);
    checksum_.Add(at_, placed);
    at_ += n;
    fill_ += n;
    return fill_ == kChunk ? Flush() : WriteOutcome::kWritten;
  }

  void Scramble(std::span<uint8_t> placed) const {
    const std::vector<uint8_t>& key = ItemKey();
    for (size_t i = 0; i < placed.size() && at_ + i - item_at_ < key.size(); ++i)
      placed[i] ^= key[static_cast<size_t>(at_ + i - item_at_)];
  }

  WriteOutcome Flush() {
    const size_t n = fill_;
    fill_ = 0;
    return n == 0 ? WriteOutcome::kWritten : out_.Append({chunk_, n}, why_);
  }

  WriteOutcome Failed(const Item& item, const std::string& reason) {
    why_ = item.source + ": " + reason;
    return WriteOutcome::kReadFailed;
  }

  OutputStream& out_;
  std::string& why_;
  std::vector<uint8_t> storage_;
  uint8_t* chunk_;
  size_t fill_ = 0;  // bytes gathered in the chunk
  album::PeChecksum checksum_;
  uint64_t at_ = 0;          // the file offset of the next byte
  uint64_t item_at_ = 0;     // where the current item starts
  bool scrambling_ = false;  // the bytes appended now are an item's
};

WriteOutcome AlbumImage::Write(OutputStream& out, std::string& why,
                               const Progress& progress) const {
  Writer writer(out, why);
  WriteOutcome outcome = writer.Append(layout_.head);
  const size_t items = content_->items.size();
  size_t done = 0;
  for (const album::ResourceLayout::Placed& placed : layout_.data) {
    if (outcome == WriteOutcome::kWritten) outcome = writer.PadTo(placed.offset);
    if (outcome != WriteOutcome::kWritten) return outcome;
    const Source& source = sources_[placed.slot];
    switch (source.kind) {
      case Source::Kind::kOwn:
        outcome = writer.Append(own_[source.index].data);
        break;
      case Source::Kind::kSettings:
        outcome = writer.Append(settings_);
        break;
      case Source::Kind::kItem:
        outcome = writer.AppendItem(content_->items[source.index]);
        if (progress) progress(++done, items);
        break;
    }
  }
  if (outcome == WriteOutcome::kWritten) outcome = writer.PadTo(layout_.file_size);
  if (outcome == WriteOutcome::kWritten) outcome = writer.Finish(layout_.checksum_at);
  return outcome;
}

std::optional<std::vector<uint8_t>> WriteAlbum(std::span<const uint8_t> stub,
                                               const AlbumContent& content, std::string* error,
                                               const Progress& progress) {
  const std::optional<AlbumImage> album = AlbumImage::LayOut(stub, content, error);
  if (!album) return std::nullopt;
  VectorOutput out;
  std::string why;
  if (album->Write(out, why, progress) != WriteOutcome::kWritten) {
    if (error != nullptr) *error = why;
    return std::nullopt;
  }
  return std::move(out.bytes());
}

}  // namespace lantern::albumpack
