// Writing album content into a copy of the player.
#include "tools/albumpack/album_writer.h"

#include <algorithm>
#include <array>

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
// checksum on the way.
class AlbumImage::Writer {
 public:
  Writer(OutputStream& out, std::string& why) : out_(out), why_(why) {}

  WriteOutcome Append(std::span<const uint8_t> bytes) {
    checksum_.Add(at_, bytes);
    at_ += bytes.size();
    return out_.Append(bytes, why_);
  }

  // Zeros up to `offset`: the alignment between resources and at the end.
  WriteOutcome PadTo(uint64_t offset) {
    static constexpr std::array<uint8_t, 4096> kZeros{};
    while (at_ < offset) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(kZeros.size(), offset - at_));
      if (const WriteOutcome o = Append({kZeros.data(), n}); o != WriteOutcome::kWritten) return o;
    }
    return WriteOutcome::kWritten;
  }

  // The item's bytes, scrambled: from memory, or from its file in chunks.
  WriteOutcome AppendItem(const Item& item) {
    if (item.file.empty()) return AppendScrambled(item.bytes);
    std::optional<InputFile> file = InputFile::Open(item.file, why_);
    if (!file) return Failed(item, why_);
    buffer_.resize(kChunk);
    uint64_t done = 0;
    for (;;) {
      const std::optional<size_t> n = file->Read(buffer_, why_);
      if (!n) return Failed(item, why_);
      if (done + *n > item.file_size) break;
      const std::span<uint8_t> chunk(buffer_.data(), *n);
      if (done == 0) album::ApplyItemKeyStream(chunk);  // the key stream covers the start only
      if (const WriteOutcome o = Append(chunk); o != WriteOutcome::kWritten) return o;
      done += *n;
      if (*n < buffer_.size()) break;
    }
    if (done != item.file_size) return Failed(item, "the file changed while the album was written");
    return WriteOutcome::kWritten;
  }

  WriteOutcome FillInChecksum(uint64_t checksum_at) {
    uint8_t le[4];
    const uint32_t sum = checksum_.Finish(at_);
    for (int i = 0; i < 4; ++i)
      le[i] = static_cast<uint8_t>(sum >> (8 * i));
    return out_.Overwrite(checksum_at, le, why_);
  }

 private:
  WriteOutcome AppendScrambled(std::span<const uint8_t> bytes) {
    buffer_.assign(bytes.begin(),
                   bytes.begin() + static_cast<ptrdiff_t>(std::min(bytes.size(), kChunk)));
    album::ApplyItemKeyStream(buffer_);
    if (const WriteOutcome o = Append(buffer_); o != WriteOutcome::kWritten) return o;
    return Append(bytes.subspan(buffer_.size()));
  }

  WriteOutcome Failed(const Item& item, const std::string& reason) {
    why_ = item.source + ": " + reason;
    return WriteOutcome::kFailed;
  }

  OutputStream& out_;
  std::string& why_;
  album::PeChecksum checksum_;
  uint64_t at_ = 0;
  std::vector<uint8_t> buffer_;
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
  if (outcome == WriteOutcome::kWritten) outcome = writer.FillInChecksum(layout_.checksum_at);
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
