// The settings store: the album's key/value blob, its reader (`PropertyBag`), its
// writer for the album builder (`PropertyBagWriter`) and the typed values it holds
// (`Value`) with their conversions.
//
// Blob layout, all integers little-endian:
//   0  u32  magic 0x0000B293
//   4  u32  total length of the blob in bytes, this header included
//   8  ...  entries, one after another, up to the total length
// Entry:
//   0       u16  type code (ValueType)
//   2       u16  N, key length in UTF-16 code units
//   4       u32  key hash (ignored by the reader; see PropertyBagWriter)
//   8       u32  L, length of the whole entry in bytes, padding included, a multiple of 4
//   12      2N   key, UTF-16LE, lower-case, no terminator
//   12+2N   ...  value: 2 bytes (flag, int16), 4 bytes (int32, single), or for text
//                a u32 count C of UTF-16 code units followed by C code units
//   ...     ...  zero bytes up to L
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace lantern::album {

// Reading the album settings failed; start-up then ends without a message.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A required value is absent, empty or cannot be converted to the kind its field
// needs (a text that is no number, a number out of range).
class ConversionError : public SettingsError {
 public:
  using SettingsError::SettingsError;
};

// Type codes as stored in the blob: the platform's variant type numbers.
enum class ValueType : uint16_t {
  kInt16 = 2,   // VT_I2
  kInt32 = 3,   // VT_I4
  kSingle = 4,  // VT_R4
  kText = 8,    // VT_BSTR
  kFlag = 11,   // VT_BOOL: 0 false, -1 true
};

// One stored value with its type. Conversions follow the platform's variant rules:
// numbers convert to each other (fractions round to the nearest whole number, halves
// to even), texts are parsed as decimal numbers, "True" and "False" convert to flags.
// An empty text converts to nothing; that is what an absent key reads as.
class Value {
 public:
  Value() = default;  // the empty text
  static Value Flag(bool value) { return Value(Data(std::in_place_index<1>, value)); }
  static Value Int16(int16_t value) { return Value(Data(std::in_place_index<2>, value)); }
  static Value Int32(int32_t value) { return Value(Data(std::in_place_index<3>, value)); }
  static Value Single(float value) { return Value(Data(std::in_place_index<4>, value)); }
  static Value Text(std::string utf8) {
    return Value(Data(std::in_place_index<0>, std::move(utf8)));
  }

  ValueType type() const;
  bool IsEmptyText() const;
  // The stored value when it has type T (bool, int16_t, int32_t, float, std::string).
  template <typename T>
  const T* Get() const {
    return std::get_if<T>(&data_);
  }

  // Nonzero numbers are true; texts "True"/"False" (any case) or a number.
  std::optional<bool> ToFlag() const;
  // Range-checked 32-bit integer; true is -1.
  std::optional<int32_t> ToInt32() const;
  // Range-checked 32-bit float; true is -1.
  std::optional<float> ToSingle() const;
  // Never fails: numbers in decimal (a single with up to 7 significant digits),
  // flags as "True"/"False".
  std::string ToText() const;

  friend bool operator==(const Value&, const Value&) = default;

 private:
  using Data = std::variant<std::string, bool, int16_t, int32_t, float>;
  explicit Value(Data data) : data_(std::move(data)) {}
  Data data_;
};

// Why a blob was refused.
enum class LoadError {
  kNone,
  kTooShort,        // fewer than 8 bytes
  kBadMagic,        // the first 4 bytes are not 0x0000B293
  kBadTotalLength,  // total length below 8 or beyond the bytes given
  kTruncatedEntry,  // an entry's 12-byte header does not fit before the total length
  kBadEntryLength,  // L not a multiple of 4, below the entry's contents or past the total
  kUnknownType,     // a type code other than 2, 3, 4, 8, 11
  kBadTextLength,   // a text's count runs past its entry
};

// The settings store. Keys are matched without regard to ASCII case; every key is
// held lower-cased in a hash map, so each lookup costs one lower-casing and one hash.
class PropertyBag {
 public:
  // Replaces the contents with the entries of a blob. Bytes after the total length
  // are ignored. Every length is checked against the blob; on any damage the store
  // is left empty and the reason is returned. When a key occurs more than once the
  // first entry wins (as a front-to-back search of the blob would find it).
  [[nodiscard]] LoadError Load(std::span<const uint8_t> blob);

  // The stored value, or the empty text when the key is absent.
  const Value& Read(std::string_view key) const;
  bool Contains(std::string_view key) const;
  size_t size() const { return values_.size(); }
  // Every entry, by lower-cased key.
  const std::unordered_map<std::string, Value>& values() const { return values_; }

  // Typed reads; a value that does not convert (an absent key included) throws
  // ConversionError naming the key.
  bool ReadFlag(std::string_view key) const;
  int32_t ReadInt(std::string_view key) const;
  float ReadSingle(std::string_view key) const;
  // Never throws: absent keys read as "".
  std::string ReadText(std::string_view key) const { return Read(key).ToText(); }

 private:
  std::unordered_map<std::string, Value> values_;
};

// Builds a blob for the album builder. Keys are stored lower-cased (ASCII letters);
// setting a key again (in any case) replaces its value where it first stood, so the
// blob holds each key once, in the order keys were first set. Every entry is padded
// with zero bytes to a multiple of 4. The key hash of each entry is FNV-1a (32-bit:
// offset basis 2166136261, prime 16777619) over the bytes of the lower-cased key in
// UTF-16LE.
class PropertyBagWriter {
 public:
  void Set(std::string_view key, Value value);
  void SetFlag(std::string_view key, bool value) { Set(key, Value::Flag(value)); }
  void SetInt16(std::string_view key, int16_t value) { Set(key, Value::Int16(value)); }
  void SetInt32(std::string_view key, int32_t value) { Set(key, Value::Int32(value)); }
  void SetSingle(std::string_view key, float value) { Set(key, Value::Single(value)); }
  void SetText(std::string_view key, std::string_view utf8) {
    Set(key, Value::Text(std::string(utf8)));
  }
  // Removes a key; false when it was not set.
  bool Remove(std::string_view key);
  size_t size() const { return entries_.size(); }

  // The blob. Throws std::length_error when a key is longer than 65535 UTF-16 units
  // or the blob would exceed 4 GiB.
  std::vector<uint8_t> Blob() const;

 private:
  std::vector<std::pair<std::string, Value>> entries_;  // lower-cased key, value
  std::unordered_map<std::string, size_t> index_;       // lower-cased key -> position
};

}  // namespace lantern::album
