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

// The size of what a save writes for a file of these bytes, unchanged: its lines with CR LF, and
// what a zero byte hides. The same as JoinLines(SplitLines(bytes)) and the rest from the zero on.
std::size_t SavedSize(std::string_view bytes);

// Parses the whole text as a signed 32-bit integer: leading spaces, one sign, then either
// "$", "x", "X", "0x" or "0X" with hexadecimal digits (32 bits, wrapping into the sign) or
// decimal digits within the 32-bit range. Nothing may follow the digits.
bool ParseInteger(std::string_view text, std::int32_t& value);

// A boolean setting is true when the lowest 8 bits of its integer are not all zero.
constexpr bool IntegerToBool(std::int32_t value) { return (value & 0xFF) != 0; }

// How the store tells names apart: the locale's comparison of two whole names ignoring case, and
// beside it a key of a name by which an index finds it: any two names that the comparison calls
// equal have the same key (a hash of the locale's sort key ignoring case). Names of one key are
// still compared, so a key may be coarser than the comparison, never finer.
using NameKey = std::function<std::uint64_t(std::string_view name)>;
struct TNameRule {
  NameEquals Equals;
  NameKey Key;
};

// FNV-1a, 64 bits: a key made of the bytes that stand for a name.
constexpr std::uint64_t HashBytes(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

// The name of a line: the text before its first "="; false for a line without one.
bool NameOfLine(std::string_view line, std::string_view& name);

// The value of a line: what follows its first "=" (the whole line when it has none). A name that
// the locale calls equal to the key may differ from it in length, so the value is never counted
// from the key.
std::string ValueOfLine(std::string_view line);

// Where the lines of each name are: built once over all the lines, one key a line, in a hash table
// of keys whose entries chain the lines of that key in file order. Finding a name costs a probe and
// the comparisons with the names of its key, however many lines there are.
class TNameIndex {
 public:
  void Build(const TextLines& lines, const TNameRule& rule);
  // Records that line Position, the last one, has this name.
  void Add(std::size_t Position, std::string_view name, const TNameRule& rule);
  // The key of line Position's name; a line without a name has no entry and its key means nothing.
  std::uint64_t KeyOf(std::size_t Position) const { return FKeys[Position]; }
  // The positions of the lines whose name equals `name`, whose key is `key`, in file order.
  std::vector<std::size_t> All(const TextLines& lines, std::string_view name, std::uint64_t key,
                               const TNameRule& rule) const;
  // The first of them, or -1.
  int First(const TextLines& lines, std::string_view name, std::uint64_t key, const TNameRule& rule) const;

 private:
  static constexpr int kNone = -1;
  struct TSlot {
    std::uint64_t key = 0;
    int first = kNone, last = kNone;  // the chain of lines of this key
  };
  const TSlot* Find(std::uint64_t key) const;
  void Insert(std::uint64_t key, int position);
  void Grow();

  std::vector<std::uint64_t> FKeys;  // by line
  std::vector<int> FNext;            // by line: the next line of the same key, or kNone
  std::vector<TSlot> FSlots;         // open addressing, a power of two, at most half full
  std::size_t FUsed = 0;
};

// The lines of a settings file in their order, read and written by key as the store does, with
// an index of their names kept with them: reading or writing a key does not pass over every line.
// Every change goes through this class, which keeps the index true.
class TSettingsLines {
 public:
  using value_type = std::string;
  using iterator = TextLines::const_iterator;
  using const_iterator = TextLines::const_iterator;

  explicit TSettingsLines(const TNameRule& rule) : FRule(&rule) {}
  TSettingsLines& operator=(TextLines lines);

  const TextLines& Text() const { return FLines; }
  operator const TextLines&() const { return FLines; }
  const_iterator begin() const { return FLines.begin(); }
  const_iterator end() const { return FLines.end(); }
  std::size_t size() const { return FLines.size(); }
  bool empty() const { return FLines.empty(); }
  const std::string& operator[](std::size_t i) const { return FLines[i]; }
  void clear() { *this = TextLines(); }
  friend bool operator==(const TSettingsLines& a, const TSettingsLines& b) { return a.FLines == b.FLines; }
  friend bool operator==(const TSettingsLines& a, const TextLines& b) { return a.FLines == b; }

  // Index of the first line whose name equals the key, or -1.
  int Find(std::string_view key) const;

  // The typed reads. Text: the value of the key's line, or the default when the key has no line or
  // an empty value. Integer: that text parsed, or the default when it does not parse. Boolean: the
  // integer (default 1 or 0) with its lowest 8 bits not all zero.
  std::string ReadText(std::string_view key, std::string_view defaultText) const;
  std::int32_t ReadInteger(std::string_view key, std::int32_t defaultValue) const;
  bool ReadBool(std::string_view key, bool defaultValue) const;

  // Deletes the key's first line for an empty value, otherwise replaces it in place by key=value, or
  // appends key=value when the key has no line.
  void Write(std::string_view key, std::string_view value);
  // An integer as its decimal text ("-" for a negative one, no leading zeros), a boolean as 1 or 0.
  void WriteInteger(std::string_view key, std::int32_t value);
  void WriteBool(std::string_view key, bool value);
  // Deletes every line of the key's name.
  void Erase(std::string_view key);

 private:
  const TNameIndex& Index() const;

  const TNameRule* FRule;
  TextLines FLines;
  mutable TNameIndex FIndex;
  mutable bool FIndexed = false;
};

// The lines a save writes when another program changed the file since this one read it: the file's
// lines as they are now (`theirs`), in their order, with the changes that this side made since its
// base made over them. A name has changed when the first line of that name in `mine` differs from
// the first in `base` (or one of the two has none). A changed name's line takes the place of the
// first line of that name in `theirs`, or goes at the end when `theirs` has none; a name that
// `mine` no longer has loses every line of that name in `theirs`, so that it reads as removed.
// Every other line of `theirs` stays as it is, duplicates included; lines that the other program
// removed stay removed. Each side is indexed once: the time grows with the lines, not their square.
TextLines MergeLines(const TextLines& base, const TextLines& mine, const TextLines& theirs,
                     const TNameRule& rule);

}  // namespace px2d
