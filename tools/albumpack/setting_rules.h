// What the player can use as each setting it reads: the kind it reads it as
// and the range of values it means something for. Every value an album gets,
// whether from a manifest key or set under [settings], is checked here the
// same way, so that no out-of-range value reaches an album unnoticed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/albumpack/album_content.h"

namespace lantern::albumpack {

// The kind the player reads the setting as; nullopt for a key without a rule.
std::optional<SettingKind> RuleKind(std::string_view key);

// Empty when the player can use the value, else what it expects ("a whole
// number from 0 to 8"). Item companions are checked against the item:
// a type word of its class, the size of its file.
std::string ExpectedInstead(const Setting& setting, const AlbumContent& content);

// "a whole number from MIN to MAX".
std::string WholeNumberRange(int64_t min, int64_t max);

// The message for a value out of its range: "NAME = VALUE: expected WHAT".
std::string OutOfRange(std::string_view name, std::string_view value, std::string_view expected);

// The value as a manifest writes it: 99, 2.5, nan, "text".
std::string ValueText(const Setting& setting);

}  // namespace lantern::albumpack
