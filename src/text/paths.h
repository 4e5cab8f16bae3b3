// Paths as the program's Shift_JIS text: joining and splitting by the platform's
// separator (platform/paths.h). A "\" that is the trail byte of a double-byte character
// is part of that character, never a separator, so a kanji name ending in such a byte
// (表, ソ) splits and joins correctly; "/" is below 0x40 and is never a trail byte.
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

// True when the byte at `at` separates path parts: "/", or a "\" that is not the trail
// byte of a double-byte character (both count on every platform, as the host's do).
bool IsSeparatorAt(std::string_view path, std::size_t at);

// True when `path` is not empty and its last byte is a separator.
bool EndsWithSeparator(std::string_view path);

// `folder` and `name` with the platform's separator between them (none added when
// `folder` is empty or already ends with a separator).
std::string JoinPath(std::string_view folder, std::string_view name);

// The folder part of `path`, without the trailing separator: everything before the last
// separator. "" when `path` holds none; the root ("/") for a file directly in it.
std::string FolderOf(std::string_view path);

// The name part of `path`: everything after the last separator (all of it when none).
std::string_view FileNameOf(std::string_view path);

}  // namespace kasumido
