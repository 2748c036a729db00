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

std::string ValueOfLine(std::string_view line, std::string_view key) {
  const std::size_t skip = key.size() + 1;
  return skip < line.size() ? std::string(line.substr(skip)) : std::string();
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
  std::string value = ValueOfLine(lines[static_cast<std::size_t>(index)], key);
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

}  // namespace px2d
