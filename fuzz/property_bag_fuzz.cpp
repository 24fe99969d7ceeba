// The settings store and record on arbitrary bytes: loading never reads outside the
// input, every stored value converts without fault, what was loaded writes back
// into a blob that loads to the same values, and reading the record either
// succeeds or ends in a settings error.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "album/album_settings.h"
#include "album/property_bag.h"

namespace {

using lantern::album::PropertyBag;
using lantern::album::Value;

// Equal values; floats compare by their bits so that NaN equals itself.
bool Same(const Value& a, const Value& b) {
  const float* fa = a.Get<float>();
  const float* fb = b.Get<float>();
  if (fa != nullptr && fb != nullptr)
    return std::bit_cast<uint32_t>(*fa) == std::bit_cast<uint32_t>(*fb);
  return a == b;
}

void ConvertEveryValue(const PropertyBag& bag) {
  for (const auto& [key, value] : bag.values()) {
    (void)value.ToFlag();
    (void)value.ToInt32();
    (void)value.ToSingle();
    (void)value.ToText();
    if (&bag.Read(key) != &value) std::abort();
  }
}

void CheckRewrite(const PropertyBag& bag) {
  lantern::album::PropertyBagWriter writer;
  for (const auto& [key, value] : bag.values())
    writer.Set(key, value);
  PropertyBag again;
  if (again.Load(writer.Blob()) != lantern::album::LoadError::kNone) std::abort();
  if (again.size() != bag.size()) std::abort();
  for (const auto& [key, value] : bag.values()) {
    if (!Same(again.Read(key), value)) std::abort();
  }
}

void ReadRecord(const PropertyBag& bag) {
  lantern::album::AlbumSettings settings;
  try {
    lantern::album::ReadAllSettings(bag, settings);
    lantern::album::RereadGeometry(bag, settings);
  } catch (const lantern::album::SettingsError&) {
    // A damaged or incomplete album: start-up ends quietly.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PropertyBag bag;
  if (bag.Load(std::span<const uint8_t>(data, size)) != lantern::album::LoadError::kNone) {
    if (bag.size() != 0) std::abort();
    return 0;
  }
  ConvertEveryValue(bag);
  CheckRewrite(bag);
  ReadRecord(bag);
  return 0;
}
