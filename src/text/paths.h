// Paths as path text (platform/paths.h): joining and splitting by the platform's
// separator. "/" and "\" both separate, on every platform, as the host's paths do; in
// UTF-8 neither byte ever occurs inside a character, so no character of a folder's name
// is ever taken for a separator.
#pragma once

#include <string>
#include <string_view>

namespace kasumido {

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
