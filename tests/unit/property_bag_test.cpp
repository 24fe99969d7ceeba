// The settings store: blob layout, round trips through the writer, refusal of
// damaged blobs, and the conversions of stored values.
#include "album/property_bag.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"

namespace lantern::album {
namespace {

using Bytes = std::vector<uint8_t>;

void Le16(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Le32(Bytes& out, uint32_t v) {
  Le16(out, v & 0xFFFF);
  Le16(out, v >> 16);
}
uint32_t GetLe32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// One entry built by hand from the layout, independently of the writer: type, key
// (ASCII), value bytes, then zero padding to a multiple of 4 (L is `length` when given).
Bytes RawEntry(uint16_t type, std::string_view key, const Bytes& value,
               std::optional<uint32_t> length = std::nullopt) {
  Bytes e;
  Le16(e, type);
  Le16(e, static_cast<uint32_t>(key.size()));
  Le32(e, 0xDEADBEEF);  // any hash: the reader ignores it
  Le32(e, 0);
  for (char c : key)
    Le16(e, static_cast<uint8_t>(c));
  e.insert(e.end(), value.begin(), value.end());
  while (e.size() % 4 != 0)
    e.push_back(0);
  const uint32_t l = length.value_or(static_cast<uint32_t>(e.size()));
  for (int i = 0; i < 4; ++i)
    e[8 + i] = static_cast<uint8_t>(l >> (8 * i));
  return e;
}

Bytes RawBlob(const std::vector<Bytes>& entries) {
  Bytes b;
  Le32(b, 0x0000B293);
  Le32(b, 0);
  for (const Bytes& e : entries)
    b.insert(b.end(), e.begin(), e.end());
  const auto total = static_cast<uint32_t>(b.size());
  for (int i = 0; i < 4; ++i)
    b[4 + i] = static_cast<uint8_t>(total >> (8 * i));
  return b;
}

Bytes U16(uint32_t v) {
  Bytes b;
  Le16(b, v);
  return b;
}
Bytes U32(uint32_t v) {
  Bytes b;
  Le32(b, v);
  return b;
}
Bytes TextValue(std::u16string_view text) {
  Bytes b = U32(static_cast<uint32_t>(text.size()));
  for (char16_t c : text)
    Le16(b, c);
  return b;
}

PropertyBag LoadOk(const Bytes& blob) {
  PropertyBag bag;
  EXPECT_EQ(bag.Load(blob), LoadError::kNone);
  return bag;
}

// ---------------------------------------------------------------------------
// Layout

TEST(PropertyBagFormat, ReadsAHandMadeBlob) {
  const Bytes blob = RawBlob({
      RawEntry(11, "muted", U16(0xFFFF)),
      RawEntry(2, "x", U16(static_cast<uint16_t>(-2))),
      RawEntry(3, "count", U32(static_cast<uint32_t>(-100000))),
      RawEntry(4, "seconds", U32(0x3DCCCCCD)),  // 0.1f
      RawEntry(8, "title", TextValue(u"Ab\u6625")),
  });
  const PropertyBag bag = LoadOk(blob);
  EXPECT_EQ(bag.size(), 5u);
  EXPECT_EQ(bag.Read("Muted"), Value::Flag(true));
  EXPECT_EQ(bag.Read("X"), Value::Int16(-2));
  EXPECT_EQ(bag.Read("COUNT"), Value::Int32(-100000));
  EXPECT_EQ(bag.Read("Seconds"), Value::Single(0.1f));
  EXPECT_EQ(bag.Read("TITLE"), Value::Text("Ab\xE6\x98\xA5"));
}

TEST(PropertyBagFormat, WriterLaysOutEntriesPaddedToFour) {
  PropertyBagWriter w;
  w.SetFlag("A", true);
  w.SetText("Ab", "x");
  const Bytes blob = w.Blob();
  const Bytes expected = {
      0x93, 0xB2, 0x00, 0x00, 0x30, 0x00, 0x00, 0x00,  // magic, total 48
      0x0B, 0x00, 0x01, 0x00, 0x44, 0xD0, 0x24, 0x2B,  // VT_BOOL, N 1, FNV-1a("a")
      0x10, 0x00, 0x00, 0x00, 0x61, 0x00, 0xFF, 0xFF,  // L 16, "a", -1
      0x08, 0x00, 0x02, 0x00,                          // VT_BSTR, N 2
  };
  ASSERT_EQ(blob.size(), 48u);
  EXPECT_EQ(Bytes(blob.begin(), blob.begin() + 28), expected);
  EXPECT_EQ(GetLe32(blob, 32), 24u);  // 12 + 4 (key) + 4 (count) + 2 (text) -> 24
  const Bytes tail = {0x61, 0x00, 0x62, 0x00, 0x01, 0x00, 0x00, 0x00, 0x78, 0x00, 0x00, 0x00};
  EXPECT_EQ(Bytes(blob.begin() + 36, blob.end()), tail);
}

// ---------------------------------------------------------------------------
// Round trips

TEST(PropertyBagRoundTrip, EveryTypeReadsBackExactly) {
  const std::string long_text(70000, 'z');  // more units than a 16-bit count could hold
  const std::vector<std::pair<std::string, Value>> values = {
      {"FlagTrue", Value::Flag(true)},
      {"FlagFalse", Value::Flag(false)},
      {"I2Min", Value::Int16(std::numeric_limits<int16_t>::min())},
      {"I2Max", Value::Int16(std::numeric_limits<int16_t>::max())},
      {"I4Min", Value::Int32(std::numeric_limits<int32_t>::min())},
      {"I4Max", Value::Int32(std::numeric_limits<int32_t>::max())},
      {"R4Tenth", Value::Single(0.1f)},
      {"R4Tiny", Value::Single(std::numeric_limits<float>::denorm_min())},
      {"R4Max", Value::Single(std::numeric_limits<float>::max())},
      {"TextEmpty", Value::Text("")},
      {"TextChinese", Value::Text("春天的照片（一）")},
      {"TextAstral", Value::Text("\xF0\x9F\x8C\xB8 ok")},  // a surrogate pair in UTF-16
      {"TextNul", Value::Text(std::string("a\0b", 3))},
      {"TextLong", Value::Text(long_text)},
      {"键", Value::Text("non-ASCII key")},
  };
  PropertyBagWriter w;
  for (const auto& [key, value] : values)
    w.Set(key, value);
  const PropertyBag bag = LoadOk(w.Blob());
  EXPECT_EQ(bag.size(), values.size());
  for (const auto& [key, value] : values) {
    SCOPED_TRACE(key);
    EXPECT_EQ(bag.Read(key), value);
    EXPECT_EQ(bag.Read(key).type(), value.type());
  }
}

// Upper-cases every other ASCII letter of each key inside a blob.
void MixKeyCase(Bytes& blob) {
  for (size_t at = 8; at < blob.size(); at += GetLe32(blob, at + 8)) {
    const size_t units = blob[at + 2] | (blob[at + 3] << 8);
    for (size_t i = 0; i < units; i += 2) {
      uint8_t& c = blob[at + 12 + 2 * i];
      if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
    }
  }
}

TEST(PropertyBagRoundTrip, KeysMatchWhateverTheirCaseAndOrder) {
  PropertyBagWriter forward;
  PropertyBagWriter backward;
  const std::vector<std::string> keys = {"TimeInterval", "ImgNames(12)", "fFontName(3)", "NowI"};
  for (size_t i = 0; i < keys.size(); ++i)
    forward.SetInt32(keys[i], static_cast<int32_t>(i));
  for (size_t i = keys.size(); i-- > 0;)
    backward.SetInt32(keys[i], static_cast<int32_t>(i));
  Bytes mixed = backward.Blob();
  MixKeyCase(mixed);
  ASSERT_NE(mixed, backward.Blob());
  const PropertyBag a = LoadOk(forward.Blob());
  const PropertyBag b = LoadOk(mixed);
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(a.ReadInt(keys[i]), static_cast<int32_t>(i));
    EXPECT_EQ(b.ReadInt(keys[i]), static_cast<int32_t>(i));
    EXPECT_EQ(b.ReadInt(base::AsciiUpper(keys[i])), static_cast<int32_t>(i));
  }
}

TEST(PropertyBagWriter, SettingAKeyAgainReplacesItInPlace) {
  PropertyBagWriter w;
  w.SetInt32("First", 1);
  w.SetInt32("Second", 2);
  w.SetText("FIRST", "again");
  EXPECT_EQ(w.size(), 2u);
  PropertyBagWriter expected;
  expected.SetText("first", "again");
  expected.SetInt32("second", 2);
  EXPECT_EQ(w.Blob(), expected.Blob());

  EXPECT_TRUE(w.Remove("first"));
  EXPECT_FALSE(w.Remove("first"));
  w.SetInt32("Third", 3);
  const PropertyBag bag = LoadOk(w.Blob());
  EXPECT_FALSE(bag.Contains("First"));
  EXPECT_EQ(bag.ReadInt("second"), 2);
  EXPECT_EQ(bag.ReadInt("third"), 3);
}

TEST(PropertyBag, FirstOfRepeatedKeysWins) {
  const PropertyBag bag = LoadOk(RawBlob({
      RawEntry(3, "size", U32(1)),
      RawEntry(3, "other", U32(5)),
      RawEntry(8, "size", TextValue(u"2")),
  }));
  EXPECT_EQ(bag.size(), 2u);
  EXPECT_EQ(bag.Read("Size"), Value::Int32(1));
}

TEST(PropertyBag, AbsentKeyReadsAsEmptyTextAndConvertsToNothing) {
  const PropertyBag bag = LoadOk(RawBlob({RawEntry(8, "empty", TextValue(u""))}));
  for (const char* key : {"Missing", "Empty"}) {
    SCOPED_TRACE(key);
    EXPECT_TRUE(bag.Read(key).IsEmptyText());
    EXPECT_EQ(bag.Read(key).type(), ValueType::kText);
    EXPECT_EQ(bag.ReadText(key), "");
    EXPECT_THROW(bag.ReadFlag(key), ConversionError);
    EXPECT_THROW(bag.ReadInt(key), ConversionError);
    EXPECT_THROW(bag.ReadSingle(key), ConversionError);
  }
  EXPECT_FALSE(bag.Contains("Missing"));
  EXPECT_TRUE(bag.Contains("EMPTY"));
  try {
    bag.ReadInt("NowI");
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_NE(std::string(e.what()).find("\"NowI\""), std::string::npos);
  }
}

// ---------------------------------------------------------------------------
// Damage

Bytes WithTotal(Bytes blob, uint32_t total) {
  for (int i = 0; i < 4; ++i)
    blob[4 + i] = static_cast<uint8_t>(total >> (8 * i));
  return blob;
}

TEST(PropertyBagDamage, RefusesEachKindAndLeavesTheStoreEmpty) {
  const Bytes good = RawBlob({RawEntry(3, "a", U32(7))});
  Bytes bad_magic = good;
  bad_magic[1] = 0xB3;
  Bytes with_header_tail = good;
  for (int i = 0; i < 8; ++i)
    with_header_tail.push_back(0);
  const struct {
    const char* name;
    Bytes blob;
    LoadError error;
  } cases[] = {
      {"empty", {}, LoadError::kTooShort},
      {"seven bytes", Bytes(good.begin(), good.begin() + 7), LoadError::kTooShort},
      {"magic", bad_magic, LoadError::kBadMagic},
      {"total below 8", WithTotal(good, 7), LoadError::kBadTotalLength},
      {"total past the data", WithTotal(good, 100), LoadError::kBadTotalLength},
      {"total 2^32 - 1", WithTotal(good, 0xFFFFFFFF), LoadError::kBadTotalLength},
      {"partial entry header", WithTotal(with_header_tail, static_cast<uint32_t>(good.size() + 8)),
       LoadError::kTruncatedEntry},
      {"L not a multiple of 4", RawBlob({RawEntry(3, "a", U32(7), 18)}),
       LoadError::kBadEntryLength},
      {"L zero", RawBlob({RawEntry(3, "a", U32(7), 0)}), LoadError::kBadEntryLength},
      {"L 2^32 - 4", RawBlob({RawEntry(3, "a", U32(7), 0xFFFFFFFC)}), LoadError::kBadEntryLength},
      {"L past the total", RawBlob({RawEntry(3, "a", U32(7), 24)}), LoadError::kBadEntryLength},
      {"L shorter than the value", RawBlob({RawEntry(3, "abc", U32(7), 16)}),
       LoadError::kBadEntryLength},
      {"key past L", RawBlob({RawEntry(2, std::string(40, 'k'), U16(1), 20)}),
       LoadError::kBadEntryLength},
      {"unknown type", RawBlob({RawEntry(5, "a", U32(7))}), LoadError::kUnknownType},
      {"type zero", RawBlob({RawEntry(0, "a", U32(7))}), LoadError::kUnknownType},
      {"text count past L", RawBlob({RawEntry(8, "a", U32(2))}), LoadError::kBadTextLength},
      {"text count 2^32 - 1", RawBlob({RawEntry(8, "a", U32(0xFFFFFFFF))}),
       LoadError::kBadTextLength},
      {"damage after a good entry", RawBlob({RawEntry(3, "a", U32(7)), RawEntry(9, "b", U32(0))}),
       LoadError::kUnknownType},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PropertyBag bag = LoadOk(good);
    ASSERT_EQ(bag.size(), 1u);
    EXPECT_EQ(bag.Load(c.blob), c.error);
    EXPECT_EQ(bag.size(), 0u);
    EXPECT_TRUE(bag.Read("a").IsEmptyText());
  }
}

Bytes SampleBlob() {
  PropertyBagWriter w;
  w.SetFlag("EnableSync", true);
  w.SetInt16("ImgDrawScale", 1);
  w.SetInt32("NowI", 3);
  w.SetSingle("TimeInterval", 2.5f);
  w.SetText("ImgCaption(1)", "海边");
  w.SetText("StyleSelect", "  11");
  return w.Blob();
}

TEST(PropertyBagDamage, EveryTruncationIsRefused) {
  const Bytes blob = SampleBlob();
  for (size_t size = 0; size < blob.size(); ++size) {
    SCOPED_TRACE(size);
    PropertyBag bag;
    const LoadError error = bag.Load({blob.data(), size});
    EXPECT_EQ(error, size < 8 ? LoadError::kTooShort : LoadError::kBadTotalLength);
  }
}

// A total length that ends early reads the entries that lie wholly before it when it
// falls on an entry boundary, and refuses the blob otherwise.
TEST(PropertyBagDamage, ShorterTotalReadsWholeEntriesOrNothing) {
  const Bytes blob = SampleBlob();
  std::vector<size_t> boundaries;
  for (size_t at = 8; at < blob.size(); at += GetLe32(blob, at + 8))
    boundaries.push_back(at);
  ASSERT_EQ(boundaries.size(), 6u);
  for (uint32_t total = 8; total <= blob.size(); ++total) {
    SCOPED_TRACE(total);
    PropertyBag bag;
    const LoadError error = bag.Load(WithTotal(blob, total));
    size_t whole = 0;
    while (whole < boundaries.size() && boundaries[whole] < total)
      ++whole;
    const bool on_boundary =
        total == blob.size() || (whole < boundaries.size() && boundaries[whole] == total);
    if (on_boundary) {
      EXPECT_EQ(error, LoadError::kNone);
      EXPECT_EQ(bag.size(), whole);
    } else {
      EXPECT_NE(error, LoadError::kNone);
    }
  }
}

TEST(PropertyBagDamage, BytesAfterTheTotalLengthAreIgnored) {
  Bytes blob = SampleBlob();
  blob.insert(blob.end(), {0xFF, 0xFF, 0x01, 0x02, 0x03});
  const PropertyBag bag = LoadOk(blob);
  EXPECT_EQ(bag.size(), 6u);
  EXPECT_EQ(bag.ReadText("ImgCaption(1)"), "海边");
}

// ---------------------------------------------------------------------------
// Conversions

TEST(ValueConversion, TextToInt32RoundsHalvesToEven) {
  const struct {
    const char* text;
    std::optional<int32_t> expected;
  } cases[] = {
      {"2.5", 2},
      {"3.5", 4},
      {"-2.5", -2},
      {"0.5", 0},
      {".5", 0},
      {"2.5000001", 3},
      {"5.", 5},
      {" 42 ", 42},
      {"\t+7\t", 7},
      {"1e3", 1000},
      {"1.5E+1", 15},
      {"25e-1", 2},
      {"1e-400", 0},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
      {"-2147483648.5", std::numeric_limits<int32_t>::min()},
      {"2147483647.5", std::nullopt},
      {"2147483648", std::nullopt},
      {"1e400", std::nullopt},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {".", std::nullopt},
      {"1.2.3", std::nullopt},
      {"12abc", std::nullopt},
      {"--1", std::nullopt},
      {"1 2", std::nullopt},
      {"e5", std::nullopt},
      {"1e", std::nullopt},
      {"0x10", std::nullopt},
      {"nan", std::nullopt},
      {"１２", std::nullopt},  // full-width digits are not decimal digits here
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Value::Text(c.text).ToInt32(), c.expected);
  }
  // Hundreds of digits: overflow or underflow is decided by the value, not the length.
  EXPECT_EQ(Value::Text("1" + std::string(400, '0') + "e-398").ToInt32(), 100);
  EXPECT_EQ(Value::Text("0." + std::string(400, '0') + "1e800").ToInt32(), std::nullopt);
  EXPECT_EQ(Value::Text("1" + std::string(400, '0') + "e-800").ToInt32(), 0);
  EXPECT_EQ(Value::Text("1" + std::string(400, '0') + "e-50").ToSingle(), std::nullopt);
}

TEST(ValueConversion, NumbersConvertAmongThemselves) {
  EXPECT_EQ(Value::Single(2.5f).ToInt32(), 2);
  EXPECT_EQ(Value::Single(3.5f).ToInt32(), 4);
  EXPECT_EQ(Value::Single(-0.5f).ToInt32(), 0);
  EXPECT_EQ(Value::Single(3e9f).ToInt32(), std::nullopt);
  EXPECT_EQ(Value::Single(std::nanf("")).ToInt32(), std::nullopt);
  EXPECT_EQ(Value::Single(std::numeric_limits<float>::infinity()).ToInt32(), std::nullopt);
  EXPECT_EQ(Value::Flag(true).ToInt32(), -1);
  EXPECT_EQ(Value::Flag(false).ToInt32(), 0);
  EXPECT_EQ(Value::Int16(-7).ToInt32(), -7);

  EXPECT_EQ(Value::Int16(0).ToFlag(), false);
  EXPECT_EQ(Value::Int16(2).ToFlag(), true);
  EXPECT_EQ(Value::Int32(-1).ToFlag(), true);
  EXPECT_EQ(Value::Single(0.25f).ToFlag(), true);
  EXPECT_EQ(Value::Single(-0.0f).ToFlag(), false);

  EXPECT_EQ(Value::Int32(16777217).ToSingle(), 16777216.0f);
  EXPECT_EQ(Value::Flag(true).ToSingle(), -1.0f);
  EXPECT_EQ(Value::Single(0.1f).ToSingle(), 0.1f);
}

TEST(ValueConversion, TextToFlagAndSingle) {
  EXPECT_EQ(Value::Text("True").ToFlag(), true);
  EXPECT_EQ(Value::Text(" fALSE ").ToFlag(), false);
  EXPECT_EQ(Value::Text("TRUE").ToFlag(), true);
  EXPECT_EQ(Value::Text("0").ToFlag(), false);
  EXPECT_EQ(Value::Text("-1").ToFlag(), true);
  EXPECT_EQ(Value::Text("0.0").ToFlag(), false);
  EXPECT_EQ(Value::Text("0.25").ToFlag(), true);
  EXPECT_EQ(Value::Text("Truest").ToFlag(), std::nullopt);
  EXPECT_EQ(Value::Text("yes").ToFlag(), std::nullopt);
  EXPECT_EQ(Value::Text("").ToFlag(), std::nullopt);

  EXPECT_EQ(Value::Text("0.1").ToSingle(), 0.1f);
  EXPECT_EQ(Value::Text(" -2.5e2 ").ToSingle(), -250.0f);
  EXPECT_EQ(Value::Text("3e38").ToSingle(), 3e38f);
  EXPECT_EQ(Value::Text("1e39").ToSingle(), std::nullopt);
  EXPECT_EQ(Value::Text("1e-50").ToSingle(), 0.0f);
  EXPECT_EQ(Value::Text("abc").ToSingle(), std::nullopt);
  EXPECT_EQ(Value::Text("").ToSingle(), std::nullopt);
}

TEST(ValueConversion, NumbersToText) {
  EXPECT_EQ(Value::Int32(-5).ToText(), "-5");
  EXPECT_EQ(Value::Int16(32767).ToText(), "32767");
  EXPECT_EQ(Value::Flag(true).ToText(), "True");
  EXPECT_EQ(Value::Flag(false).ToText(), "False");
  EXPECT_EQ(Value::Single(0.1f).ToText(), "0.1");
  EXPECT_EQ(Value::Single(2.5f).ToText(), "2.5");
  EXPECT_EQ(Value::Single(1.0f / 3).ToText(), "0.3333333");
  EXPECT_EQ(Value::Single(1e20f).ToText(), "1E+20");
  // What a number becomes as text converts back to the same number.
  EXPECT_EQ(Value::Text(Value::Single(-1.5e-7f).ToText()).ToSingle(), -1.5e-7f);
}

}  // namespace
}  // namespace lantern::album
