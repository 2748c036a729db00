#include "SettingsText.h"

namespace px2d {

TextLines SplitLines(std::string_view bytes) {
  const std::size_t end = bytes.find('\0');
  if (end != std::string_view::npos) bytes = bytes.substr(0, end);
  TextLines lines;
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

int FindKeyLine(const TextLines& lines, std::string_view key, const NameEquals& equals) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (equals(line.substr(0, eq), key)) return static_cast<int>(i);
  }
  return -1;
}

std::string ValueOfLine(std::string_view line) {
  const std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string(line) : std::string(line.substr(eq + 1));
}

void WriteKeyValue(TextLines& lines, std::string_view key, std::string_view value, const NameEquals& equals) {
  const int index = FindKeyLine(lines, key, equals);
  if (value.empty()) {
    if (index >= 0) lines.erase(lines.begin() + index);
    return;
  }
  std::string line;
  line.reserve(key.size() + 1 + value.size());
  line.append(key).append("=").append(value);
  if (index >= 0)
    lines[static_cast<std::size_t>(index)] = std::move(line);
  else
    lines.push_back(std::move(line));
}

std::string ReadKeyText(const TextLines& lines, std::string_view key, std::string_view defaultText,
                        const NameEquals& equals) {
  const int index = FindKeyLine(lines, key, equals);
  if (index < 0) return std::string(defaultText);
  std::string value = ValueOfLine(lines[static_cast<std::size_t>(index)]);
  return value.empty() ? std::string(defaultText) : value;
}

std::int32_t ReadKeyInteger(const TextLines& lines, std::string_view key, std::int32_t defaultValue,
                            const NameEquals& equals) {
  std::int32_t value = 0;
  return ParseInteger(ReadKeyText(lines, key, std::to_string(defaultValue), equals), value) ? value
                                                                                            : defaultValue;
}

bool ReadKeyBool(const TextLines& lines, std::string_view key, bool defaultValue, const NameEquals& equals) {
  return IntegerToBool(ReadKeyInteger(lines, key, defaultValue ? 1 : 0, equals));
}

void WriteKeyInteger(TextLines& lines, std::string_view key, std::int32_t value, const NameEquals& equals) {
  WriteKeyValue(lines, key, std::to_string(value), equals);
}

void WriteKeyBool(TextLines& lines, std::string_view key, bool value, const NameEquals& equals) {
  WriteKeyInteger(lines, key, value ? 1 : 0, equals);
}

namespace {

// The name of a line: the text before its first "="; none for a line without one.
bool NameOfLine(std::string_view line, std::string_view& name) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  name = line.substr(0, eq);
  return true;
}

// The first line of the name, or null.
const std::string* FirstLine(const TextLines& lines, std::string_view name, const NameEquals& equals) {
  const int index = FindKeyLine(lines, name, equals);
  return index < 0 ? nullptr : &lines[static_cast<std::size_t>(index)];
}

}  // namespace

TextLines MergeLines(const TextLines& base, const TextLines& mine, const TextLines& theirs,
                     const NameEquals& equals) {
  TextLines merged = theirs;
  std::vector<std::string_view> seen;
  for (const TextLines* side : {&mine, &base}) {
    for (const std::string& line : *side) {
      std::string_view name;
      if (!NameOfLine(line, name)) continue;
      bool done = false;
      for (std::string_view other : seen) done = done || equals(other, name);
      if (done) continue;
      seen.push_back(name);
      const std::string* now = FirstLine(mine, name, equals);
      const std::string* before = FirstLine(base, name, equals);
      if (now && before && *now == *before) continue;
      if (!now && !before) continue;
      const int index = FindKeyLine(merged, name, equals);
      if (!now) {
        if (index >= 0) merged.erase(merged.begin() + index);
      } else if (index >= 0) {
        merged[static_cast<std::size_t>(index)] = *now;
      } else {
        merged.push_back(*now);
      }
    }
  }
  return merged;
}

}  // namespace px2d
