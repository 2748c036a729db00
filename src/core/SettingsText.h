// The text rules of the settings file, free of any platform header so that they are also
// built natively under the sanitizers and fuzzed. The Windows store wires them to the system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace px2d {

using TextLines = std::vector<std::string>;

// The largest settings file that is read or written, in bytes. Its 21 keys take about 500 bytes; the
// rest leaves room for the keys of other programs many times over, while a file this size or smaller
// is read and searched in no time. A larger file is no settings file, or a damaged one.
inline constexpr std::size_t MaxSettingsFileSize = 64 * 1024;

// Compares a line's name with a key; the store passes the locale's case-insensitive comparison.
using NameEquals = std::function<bool(std::string_view name, std::string_view key)>;

// Splits the file's bytes into lines: CR, LF and CR LF each end a line (LF CR is two breaks),
// a zero byte ends the text, and a break at the very end adds no empty line.
TextLines SplitLines(std::string_view bytes);

// The file's bytes for the lines: every line followed by CR LF, the last one included.
std::string JoinLines(const TextLines& lines);

// Parses the whole text as a signed 32-bit integer: leading spaces, one sign, then either
// "$", "x", "X", "0x" or "0X" with hexadecimal digits (32 bits, wrapping into the sign) or
// decimal digits within the 32-bit range. Nothing may follow the digits.
bool ParseInteger(std::string_view text, std::int32_t& value);

// A boolean setting is true when the lowest 8 bits of its integer are not all zero.
constexpr bool IntegerToBool(std::int32_t value) { return (value & 0xFF) != 0; }

// Index of the first line whose name (the text before its first "=") equals the key, or -1.
int FindKeyLine(const TextLines& lines, std::string_view key, const NameEquals& equals);

// The value of a line: what follows its first "=" (the whole line when it has none). A name that
// the locale calls equal to the key may differ from it in length, so the value is never counted
// from the key.
std::string ValueOfLine(std::string_view line);

// Deletes the key's first line for an empty value, otherwise replaces it in place by
// key=value, or appends key=value when the key has no line.
void WriteKeyValue(TextLines& lines, std::string_view key, std::string_view value, const NameEquals& equals);

// The store's typed reads. Text: the value of the key's line, or the default when the key has no
// line or an empty value. Integer: that text parsed, or the default when it does not parse.
// Boolean: the integer (default 1 or 0) with its lowest 8 bits not all zero.
std::string ReadKeyText(const TextLines& lines, std::string_view key, std::string_view defaultText,
                        const NameEquals& equals);
std::int32_t ReadKeyInteger(const TextLines& lines, std::string_view key, std::int32_t defaultValue,
                            const NameEquals& equals);
bool ReadKeyBool(const TextLines& lines, std::string_view key, bool defaultValue, const NameEquals& equals);

// The store's typed writes: an integer as its decimal text ("-" for a negative one, no leading
// zeros), a boolean as 1 or 0.
void WriteKeyInteger(TextLines& lines, std::string_view key, std::int32_t value, const NameEquals& equals);
void WriteKeyBool(TextLines& lines, std::string_view key, bool value, const NameEquals& equals);

// The lines a save writes when another program changed the file since this one read it: the file's
// lines as they are now (`theirs`), in their order, with the changes that this side made since its
// base made over them. A name has changed when the first line of that name in `mine` differs from
// the first in `base` (or one of the two has none). A changed name's line takes the place of the
// first line of that name in `theirs`, goes at the end when `theirs` has none, or is removed from
// `theirs` when `mine` has none. Every other line of `theirs` stays as it is, duplicates included;
// lines that the other program removed stay removed.
TextLines MergeLines(const TextLines& base, const TextLines& mine, const TextLines& theirs,
                     const NameEquals& equals);

}  // namespace px2d
