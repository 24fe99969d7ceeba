// toml++ as the builder includes it, in every file that does. toml++ states
// some invariants of its parser as assumptions that a release build hands to
// the optimiser; input such as "[,x]" breaks one, which would be undefined
// behaviour. Here they are checked in every build, and a broken one throws
// TomlCheckFailed, which callers turn into a clean "not a valid manifest".
#pragma once

namespace lantern::albumpack {
struct TomlCheckFailed {};
}  // namespace lantern::albumpack
#ifdef NDEBUG
#define LANTERN_RESTORE_NDEBUG
#undef NDEBUG
#endif
#define TOML_ASSERT(expr) \
  ((expr) ? static_cast<void>(0) : throw ::lantern::albumpack::TomlCheckFailed{})
// Inside the library's noexcept functions a failed check still ends the
// program, but cleanly, never as undefined behaviour.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wterminate"
#endif
#include <toml++/toml.h>
#pragma GCC diagnostic pop
#ifdef LANTERN_RESTORE_NDEBUG
#define NDEBUG
#include <cassert>
#endif
