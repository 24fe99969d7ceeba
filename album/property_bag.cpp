// The settings store: blob parsing and writing, and value conversions.
#include "album/property_bag.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "base/rounding.h"
#include "base/text.h"

namespace lantern::album {

namespace {

constexpr uint32_t kMagic = 0x0000B293;
constexpr size_t kHeaderSize = 8;
constexpr size_t kEntryHeaderSize = 12;

// ---------------------------------------------------------------------------
// Text to number

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

bool IsDigit(std::string_view s, size_t i) {
  return i < s.size() && s[i] >= '0' && s[i] <= '9';
}

// Checks that `s` is digits with an optional fraction (at least one digit in all)
// and an optional exponent, and returns m such that the value lies in
// [10^(m-1), 10^m) (0 for a zero value). This decides between overflow and
// underflow when the number is beyond the range of a double.
std::optional<int64_t> DecimalMagnitude(std::string_view s) {
  size_t i = 0;
  bool any_digit = false;
  bool nonzero = false;
  int64_t magnitude = 0;
  for (; IsDigit(s, i); ++i) {
    any_digit = true;
    nonzero = nonzero || s[i] != '0';
    if (nonzero) ++magnitude;
  }
  if (i < s.size() && s[i] == '.') {
    for (++i; IsDigit(s, i); ++i) {
      any_digit = true;
      if (!nonzero && s[i] == '0') --magnitude;
      nonzero = nonzero || s[i] != '0';
    }
  }
  if (!any_digit) return std::nullopt;
  int64_t exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (!IsDigit(s, i)) return std::nullopt;
    for (; IsDigit(s, i); ++i) {
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (s[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  if (i != s.size()) return std::nullopt;
  return nonzero ? magnitude + exponent : 0;
}

// A decimal number with blanks around it, an optional sign, an optional fraction
// and an optional exponent. Values too small for a double become 0; values too
// large fail.
std::optional<double> ParseDecimal(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  const std::optional<int64_t> magnitude = DecimalMagnitude(s);
  if (!magnitude) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec == std::errc::result_out_of_range) {
    if (*magnitude > 0) return std::nullopt;
    value = 0;
  } else if (ec != std::errc() || end != s.data() + s.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return base::AsciiUpper(a) == base::AsciiUpper(b);
}

// ---------------------------------------------------------------------------
// Number conversions

// Nearest 32-bit integer, halves to even; nothing when out of range or NaN.
std::optional<int32_t> RoundToInt32(double value) {
  if (!(value >= -2147483648.5 && value <= 2147483647.5)) return std::nullopt;
  const int64_t rounded = base::Round(value);
  if (rounded < std::numeric_limits<int32_t>::min() ||
      rounded > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(rounded);
}

std::optional<float> NarrowToSingle(double value) {
  if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
    return std::nullopt;
  return static_cast<float>(value);
}

std::string SingleToText(float value) {
  std::array<char, 32> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::general, 7);
  std::string text(buffer.data(), result.ptr);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

// ---------------------------------------------------------------------------
// Blob parsing

uint16_t ReadU16(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

uint32_t ReadU32(std::span<const uint8_t> bytes, size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) | (static_cast<uint32_t>(bytes[offset + 1]) << 8) |
         (static_cast<uint32_t>(bytes[offset + 2]) << 16) |
         (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

std::string DecodeUtf16(std::span<const uint8_t> bytes, size_t offset, size_t units) {
  std::u16string wide(units, u'\0');
  for (size_t i = 0; i < units; ++i)
    wide[i] = static_cast<char16_t>(ReadU16(bytes, offset + 2 * i));
  return base::Utf16ToUtf8(wide);
}

// The value of an entry whose contents were checked to fit; `at` is its offset.
Value DecodeValue(ValueType type, std::span<const uint8_t> entry, size_t at) {
  switch (type) {
    case ValueType::kFlag:
      return Value::Flag(ReadU16(entry, at) != 0);
    case ValueType::kInt16:
      return Value::Int16(static_cast<int16_t>(ReadU16(entry, at)));
    case ValueType::kInt32:
      return Value::Int32(static_cast<int32_t>(ReadU32(entry, at)));
    case ValueType::kSingle:
      return Value::Single(std::bit_cast<float>(ReadU32(entry, at)));
    case ValueType::kText:
      return Value::Text(DecodeUtf16(entry, at + 4, ReadU32(entry, at)));
  }
  return Value();
}

// Bytes of a value's fixed part: the value itself, or a text's count.
std::optional<size_t> FixedValueSize(uint16_t code) {
  switch (static_cast<ValueType>(code)) {
    case ValueType::kFlag:
    case ValueType::kInt16:
      return 2;
    case ValueType::kInt32:
    case ValueType::kSingle:
    case ValueType::kText:
      return 4;
  }
  return std::nullopt;
}

using ValueMap = std::unordered_map<std::string, Value>;

// Parses the entry at the start of `rest` (the bytes up to the total length) into
// `out` and returns its length L through `length`.
LoadError ParseEntry(std::span<const uint8_t> rest, ValueMap& out, size_t& length) {
  if (rest.size() < kEntryHeaderSize) return LoadError::kTruncatedEntry;
  const uint16_t code = ReadU16(rest, 0);
  const uint64_t key_units = ReadU16(rest, 2);
  length = ReadU32(rest, 8);
  const std::optional<size_t> fixed = FixedValueSize(code);
  if (!fixed) return LoadError::kUnknownType;
  const uint64_t value_at = kEntryHeaderSize + 2 * key_units;
  if (length % 4 != 0 || length > rest.size() || value_at + *fixed > length)
    return LoadError::kBadEntryLength;
  const auto type = static_cast<ValueType>(code);
  if (type == ValueType::kText && value_at + 4 + 2 * uint64_t{ReadU32(rest, value_at)} > length)
    return LoadError::kBadTextLength;
  std::string key = base::AsciiLower(DecodeUtf16(rest, kEntryHeaderSize, key_units));
  out.try_emplace(std::move(key), DecodeValue(type, rest, value_at));
  return LoadError::kNone;
}

LoadError ParseBlob(std::span<const uint8_t> blob, ValueMap& out) {
  if (blob.size() < kHeaderSize) return LoadError::kTooShort;
  if (ReadU32(blob, 0) != kMagic) return LoadError::kBadMagic;
  const uint32_t total = ReadU32(blob, 4);
  if (total < kHeaderSize || total > blob.size()) return LoadError::kBadTotalLength;
  std::span<const uint8_t> rest = blob.subspan(kHeaderSize, total - kHeaderSize);
  out.reserve(rest.size() / 32);
  while (!rest.empty()) {
    size_t length = 0;
    const LoadError error = ParseEntry(rest, out, length);
    if (error != LoadError::kNone) return error;
    rest = rest.subspan(length);
  }
  return LoadError::kNone;
}

// ---------------------------------------------------------------------------
// Blob writing

// FNV-1a, 32-bit, over the key's UTF-16LE bytes.
uint32_t KeyHash(std::u16string_view key) {
  uint32_t hash = 2166136261u;
  for (const char16_t unit : key) {
    for (const uint8_t byte :
         {static_cast<uint8_t>(unit & 0xFF), static_cast<uint8_t>(unit >> 8)}) {
      hash ^= byte;
      hash *= 16777619u;
    }
  }
  return hash;
}

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, static_cast<uint16_t>(v & 0xFFFF));
  PutU16(out, static_cast<uint16_t>(v >> 16));
}

void PutUtf16(std::vector<uint8_t>& out, std::u16string_view text) {
  for (const char16_t unit : text)
    PutU16(out, unit);
}

uint32_t CheckedU32(uint64_t n) {
  if (n > std::numeric_limits<uint32_t>::max())
    throw std::length_error("settings blob: too long for the format");
  return static_cast<uint32_t>(n);
}

void PutValue(std::vector<uint8_t>& out, const Value& value) {
  if (const auto* flag = value.Get<bool>()) {
    PutU16(out, *flag ? 0xFFFF : 0);
  } else if (const auto* i16 = value.Get<int16_t>()) {
    PutU16(out, static_cast<uint16_t>(*i16));
  } else if (const auto* i32 = value.Get<int32_t>()) {
    PutU32(out, static_cast<uint32_t>(*i32));
  } else if (const auto* single = value.Get<float>()) {
    PutU32(out, std::bit_cast<uint32_t>(*single));
  } else {
    const std::u16string text = base::Utf8ToUtf16(*value.Get<std::string>());
    PutU32(out, CheckedU32(text.size()));
    PutUtf16(out, text);
  }
}

void PutEntry(std::vector<uint8_t>& out, std::string_view lower_key, const Value& value) {
  const std::u16string key = base::Utf8ToUtf16(lower_key);
  if (key.size() > std::numeric_limits<uint16_t>::max())
    throw std::length_error("settings blob: key too long");
  const size_t start = out.size();
  PutU16(out, static_cast<uint16_t>(value.type()));
  PutU16(out, static_cast<uint16_t>(key.size()));
  PutU32(out, KeyHash(key));
  PutU32(out, 0);  // L, filled in below
  PutUtf16(out, key);
  PutValue(out, value);
  while ((out.size() - start) % 4 != 0)
    out.push_back(0);
  const uint32_t length = CheckedU32(out.size() - start);
  for (size_t i = 0; i < 4; ++i)
    out[start + 8 + i] = static_cast<uint8_t>(length >> (8 * i));
}

}  // namespace

// ---------------------------------------------------------------------------
// Value

ValueType Value::type() const {
  constexpr std::array<ValueType, 5> kTypes = {
      ValueType::kText, ValueType::kFlag, ValueType::kInt16, ValueType::kInt32, ValueType::kSingle};
  return kTypes[data_.index()];
}

bool Value::IsEmptyText() const {
  const auto* text = Get<std::string>();
  return text != nullptr && text->empty();
}

std::optional<bool> Value::ToFlag() const {
  if (const auto* text = Get<std::string>()) {
    const std::string_view trimmed = TrimBlanks(*text);
    if (EqualsIgnoringCase(trimmed, "True")) return true;
    if (EqualsIgnoringCase(trimmed, "False")) return false;
    const std::optional<double> number = ParseDecimal(trimmed);
    if (!number) return std::nullopt;
    return *number != 0;
  }
  if (const auto* flag = Get<bool>()) return *flag;
  if (const auto* single = Get<float>()) return *single != 0;
  return *ToInt32() != 0;
}

std::optional<int32_t> Value::ToInt32() const {
  if (const auto* text = Get<std::string>()) {
    const std::optional<double> number = ParseDecimal(*text);
    if (!number) return std::nullopt;
    return RoundToInt32(*number);
  }
  if (const auto* flag = Get<bool>()) return *flag ? -1 : 0;
  if (const auto* i16 = Get<int16_t>()) return *i16;
  if (const auto* i32 = Get<int32_t>()) return *i32;
  return RoundToInt32(*Get<float>());
}

std::optional<float> Value::ToSingle() const {
  if (const auto* text = Get<std::string>()) {
    const std::optional<double> number = ParseDecimal(*text);
    if (!number) return std::nullopt;
    return NarrowToSingle(*number);
  }
  if (const auto* single = Get<float>()) return *single;
  return static_cast<float>(*ToInt32());
}

std::string Value::ToText() const {
  if (const auto* text = Get<std::string>()) return *text;
  if (const auto* flag = Get<bool>()) return *flag ? "True" : "False";
  if (const auto* single = Get<float>()) return SingleToText(*single);
  return std::to_string(*ToInt32());
}

// ---------------------------------------------------------------------------
// PropertyBag

LoadError PropertyBag::Load(std::span<const uint8_t> blob) {
  ValueMap parsed;
  const LoadError error = ParseBlob(blob, parsed);
  if (error != LoadError::kNone) parsed.clear();
  values_ = std::move(parsed);
  return error;
}

const Value& PropertyBag::Read(std::string_view key) const {
  static const Value kEmpty;
  const auto found = values_.find(base::AsciiLower(key));
  return found == values_.end() ? kEmpty : found->second;
}

bool PropertyBag::Contains(std::string_view key) const {
  return values_.contains(base::AsciiLower(key));
}

namespace {

template <typename T>
T Required(std::optional<T> converted, std::string_view key, const char* kind) {
  if (!converted) {
    throw ConversionError("setting \"" + std::string(key) + "\" is absent or not " + kind);
  }
  return *converted;
}

}  // namespace

bool PropertyBag::ReadFlag(std::string_view key) const {
  return Required(Read(key).ToFlag(), key, "a flag");
}

int32_t PropertyBag::ReadInt(std::string_view key) const {
  return Required(Read(key).ToInt32(), key, "a 32-bit integer");
}

float PropertyBag::ReadSingle(std::string_view key) const {
  return Required(Read(key).ToSingle(), key, "a single");
}

// ---------------------------------------------------------------------------
// PropertyBagWriter

void PropertyBagWriter::Set(std::string_view key, Value value) {
  std::string lower = base::AsciiLower(key);
  const auto [it, inserted] = index_.try_emplace(lower, entries_.size());
  if (inserted) {
    entries_.emplace_back(std::move(lower), std::move(value));
  } else {
    entries_[it->second].second = std::move(value);
  }
}

bool PropertyBagWriter::Remove(std::string_view key) {
  const auto found = index_.find(base::AsciiLower(key));
  if (found == index_.end()) return false;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(found->second));
  index_.clear();
  for (size_t i = 0; i < entries_.size(); ++i)
    index_.emplace(entries_[i].first, i);
  return true;
}

std::vector<uint8_t> PropertyBagWriter::Blob() const {
  std::vector<uint8_t> out;
  PutU32(out, kMagic);
  PutU32(out, 0);  // total length, filled in below
  for (const auto& [key, value] : entries_)
    PutEntry(out, key, value);
  const uint32_t total = CheckedU32(out.size());
  for (size_t i = 0; i < 4; ++i)
    out[4 + i] = static_cast<uint8_t>(total >> (8 * i));
  return out;
}

}  // namespace lantern::album
