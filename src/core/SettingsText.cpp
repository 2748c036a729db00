#include "SettingsText.h"

#include <algorithm>

namespace px2d {

TextLines SplitLines(std::string_view bytes) {
  const std::size_t end = bytes.find('\0');
  if (end != std::string_view::npos) bytes = bytes.substr(0, end);
  TextLines lines;
  lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t pos = bytes.find_first_of("\r\n", start);
    if (pos == std::string_view::npos) {
      lines.emplace_back(bytes.substr(start));
      break;
    }
    lines.emplace_back(bytes.substr(start, pos - start));
    const bool crlf = bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n';
    start = pos + (crlf ? 2 : 1);
  }
  return lines;
}

std::string JoinLines(const TextLines& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::size_t SavedSize(std::string_view bytes) {
  const std::size_t end = std::min(bytes.find('\0'), bytes.size());
  std::size_t size = bytes.size() - end, start = 0;
  while (start < end) {
    const std::size_t pos = std::min(bytes.find_first_of("\r\n", start), end);
    size += pos - start + 2;
    if (pos == end) break;
    const bool crlf = bytes[pos] == '\r' && pos + 1 < end && bytes[pos + 1] == '\n';
    start = pos + (crlf ? 2 : 1);
  }
  return size;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseInteger(std::string_view text, std::int32_t& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::string_view rest = text.substr(i);
  std::size_t prefix = 0;
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X'))
    prefix = 1;
  else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X'))
    prefix = 2;

  if (prefix != 0) {
    const std::string_view digits = rest.substr(prefix);
    if (digits.empty()) return false;
    std::uint64_t bits = 0;
    for (char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return false;
      bits = bits * 16 + static_cast<unsigned>(d);
      if (bits > 0xFFFFFFFFu) return false;
    }
    // The 32 bits are the two's-complement value; "-" negates it with the same wrap.
    std::uint32_t u = static_cast<std::uint32_t>(bits);
    if (negative) u = 0u - u;
    value = static_cast<std::int32_t>(u);
    return true;
  }

  if (rest.empty()) return false;
  std::int64_t magnitude = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483648LL) return false;
  }
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > 2147483647LL) return false;
  value = static_cast<std::int32_t>(signedValue);
  return true;
}

bool NameOfLine(std::string_view line, std::string_view& name) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  name = line.substr(0, eq);
  return true;
}

std::string ValueOfLine(std::string_view line) {
  const std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string(line) : std::string(line.substr(eq + 1));
}

void TNameIndex::Build(const TextLines& lines, const TNameRule& rule) {
  FKeys.assign(lines.size(), 0);
  FNext.assign(lines.size(), kNone);
  std::size_t capacity = 16;
  while (capacity < 2 * lines.size()) capacity *= 2;
  FSlots.assign(capacity, TSlot{});
  FUsed = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view name;
    if (!NameOfLine(lines[i], name)) continue;
    FKeys[i] = rule.Key(name);
    Insert(FKeys[i], static_cast<int>(i));
  }
}

void TNameIndex::Add(std::size_t Position, std::string_view name, const TNameRule& rule) {
  FKeys.resize(Position + 1, 0);
  FNext.resize(Position + 1, kNone);
  FKeys[Position] = rule.Key(name);
  if (2 * (FUsed + 1) > FSlots.size()) Grow();
  Insert(FKeys[Position], static_cast<int>(Position));
}

const TNameIndex::TSlot* TNameIndex::Find(std::uint64_t key) const {
  if (FSlots.empty()) return nullptr;
  for (std::size_t at = key & (FSlots.size() - 1);; at = (at + 1) & (FSlots.size() - 1)) {
    if (FSlots[at].first == kNone) return nullptr;
    if (FSlots[at].key == key) return &FSlots[at];
  }
}

void TNameIndex::Insert(std::uint64_t key, int position) {
  for (std::size_t at = key & (FSlots.size() - 1);; at = (at + 1) & (FSlots.size() - 1)) {
    TSlot& slot = FSlots[at];
    if (slot.first == kNone) {
      slot = TSlot{key, position, position};
      ++FUsed;
      return;
    }
    if (slot.key == key) {
      FNext[static_cast<std::size_t>(slot.last)] = position;
      slot.last = position;
      return;
    }
  }
}

void TNameIndex::Grow() {
  std::vector<TSlot> old(std::max<std::size_t>(16, FSlots.size() * 2));
  old.swap(FSlots);
  for (const TSlot& slot : old) {
    if (slot.first == kNone) continue;
    for (std::size_t at = slot.key & (FSlots.size() - 1);; at = (at + 1) & (FSlots.size() - 1)) {
      if (FSlots[at].first == kNone) {
        FSlots[at] = slot;
        break;
      }
    }
  }
}

namespace {

// Whether the line's name equals the name: the same bytes are the same name without asking the
// comparison, which is the usual case.
bool HasName(std::string_view line, std::string_view name, const TNameRule& rule) {
  std::string_view own;
  if (!NameOfLine(line, own)) return false;
  return own == name || rule.Equals(own, name);
}

}  // namespace

std::vector<std::size_t> TNameIndex::All(const TextLines& lines, std::string_view name, std::uint64_t key,
                                         const TNameRule& rule) const {
  std::vector<std::size_t> found;
  if (const TSlot* slot = Find(key))
    for (int at = slot->first; at != kNone; at = FNext[static_cast<std::size_t>(at)])
      if (HasName(lines[static_cast<std::size_t>(at)], name, rule))
        found.push_back(static_cast<std::size_t>(at));
  return found;
}

int TNameIndex::First(const TextLines& lines, std::string_view name, std::uint64_t key,
                      const TNameRule& rule) const {
  if (const TSlot* slot = Find(key))
    for (int at = slot->first; at != kNone; at = FNext[static_cast<std::size_t>(at)])
      if (HasName(lines[static_cast<std::size_t>(at)], name, rule)) return at;
  return -1;
}

TSettingsLines& TSettingsLines::operator=(TextLines lines) {
  FLines = std::move(lines);
  FIndexed = false;
  return *this;
}

const TNameIndex& TSettingsLines::Index() const {
  if (!FIndexed) {
    FIndex.Build(FLines, *FRule);
    FIndexed = true;
  }
  return FIndex;
}

int TSettingsLines::Find(std::string_view key) const {
  return Index().First(FLines, key, FRule->Key(key), *FRule);
}

std::string TSettingsLines::ReadText(std::string_view key, std::string_view defaultText) const {
  const int index = Find(key);
  if (index < 0) return std::string(defaultText);
  std::string value = ValueOfLine(FLines[static_cast<std::size_t>(index)]);
  return value.empty() ? std::string(defaultText) : value;
}

std::int32_t TSettingsLines::ReadInteger(std::string_view key, std::int32_t defaultValue) const {
  std::int32_t value = 0;
  return ParseInteger(ReadText(key, std::to_string(defaultValue)), value) ? value : defaultValue;
}

bool TSettingsLines::ReadBool(std::string_view key, bool defaultValue) const {
  return IntegerToBool(ReadInteger(key, defaultValue ? 1 : 0));
}

void TSettingsLines::Write(std::string_view key, std::string_view value) {
  const int index = Find(key);
  if (value.empty()) {
    if (index >= 0) {
      FLines.erase(FLines.begin() + index);
      FIndexed = false;
    }
    return;
  }
  std::string line;
  line.reserve(key.size() + 1 + value.size());
  line.append(key).append("=").append(value);
  if (index >= 0) {
    // The new name equals the old one, so the index stays as it is.
    FLines[static_cast<std::size_t>(index)] = std::move(line);
  } else {
    FLines.push_back(std::move(line));
    if (FIndexed) FIndex.Add(FLines.size() - 1, key, *FRule);
  }
}

void TSettingsLines::WriteInteger(std::string_view key, std::int32_t value) {
  Write(key, std::to_string(value));
}

void TSettingsLines::WriteBool(std::string_view key, bool value) { WriteInteger(key, value ? 1 : 0); }

void TSettingsLines::Erase(std::string_view key) {
  const std::vector<std::size_t> doomed = Index().All(FLines, key, FRule->Key(key), *FRule);
  if (doomed.empty()) return;
  TextLines kept;
  kept.reserve(FLines.size() - doomed.size());
  std::size_t next = 0;
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    if (next < doomed.size() && doomed[next] == i)
      ++next;
    else
      kept.push_back(std::move(FLines[i]));
  }
  *this = std::move(kept);
}

TextLines MergeLines(const TextLines& base, const TextLines& mine, const TextLines& theirs,
                     const TNameRule& rule) {
  TNameIndex mineIndex, baseIndex, theirsIndex;
  mineIndex.Build(mine, rule);
  baseIndex.Build(base, rule);
  theirsIndex.Build(theirs, rule);
  TextLines merged = theirs;
  std::vector<bool> removed(theirs.size(), false);
  TextLines added;
  // Each name once, where it first appears: in mine, then in base for the names mine no longer has.
  // A name's key is found once, with its line, and serves all three sides.
  const auto mergeName = [&](std::string_view name, std::uint64_t key, int now, int before) {
    if (now < 0 && before < 0) return;
    if (now >= 0 && before >= 0 &&
        mine[static_cast<std::size_t>(now)] == base[static_cast<std::size_t>(before)])
      return;
    const std::vector<std::size_t> there = theirsIndex.All(theirs, name, key, rule);
    if (now < 0) {
      for (std::size_t i : there) removed[i] = true;
    } else if (!there.empty()) {
      merged[there.front()] = mine[static_cast<std::size_t>(now)];
    } else {
      added.push_back(mine[static_cast<std::size_t>(now)]);
    }
  };
  for (std::size_t i = 0; i < mine.size(); ++i) {
    std::string_view name;
    if (!NameOfLine(mine[i], name)) continue;
    const std::uint64_t key = mineIndex.KeyOf(i);
    if (mineIndex.First(mine, name, key, rule) == static_cast<int>(i))
      mergeName(name, key, static_cast<int>(i), baseIndex.First(base, name, key, rule));
  }
  for (std::size_t i = 0; i < base.size(); ++i) {
    std::string_view name;
    if (!NameOfLine(base[i], name)) continue;
    const std::uint64_t key = baseIndex.KeyOf(i);
    if (mineIndex.First(mine, name, key, rule) < 0 &&
        baseIndex.First(base, name, key, rule) == static_cast<int>(i))
      mergeName(name, key, -1, static_cast<int>(i));
  }
  TextLines result;
  result.reserve(merged.size() + added.size());
  for (std::size_t i = 0; i < merged.size(); ++i)
    if (!removed[i]) result.push_back(std::move(merged[i]));
  for (std::string& line : added) result.push_back(std::move(line));
  return result;
}

}  // namespace px2d
