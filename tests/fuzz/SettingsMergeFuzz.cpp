// The indexed merge and the indexed reads and writes against plain models that compare every name
// with every other: for any three versions of a file, and any run of writes and removals, both give
// the same lines. Names are short and of few letters, so that names of one key meet often; the
// rules are the stand-in's, with its key and with a key that puts every name of one first letter
// together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/SettingsText.h"
#include "support/AsciiSameText.h"

namespace {

using px2d::TextLines;

const px2d::TNameRule kCoarse{
    px2d::standin::AsciiSameText, [](std::string_view name) {
      return name.empty() ? std::uint64_t{0}
                          : px2d::HashBytes(px2d::standin::AsciiLowerCase(name.substr(0, 1)));
    }};

int FirstOf(const TextLines& lines, std::string_view name) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view own;
    if (px2d::NameOfLine(lines[i], own) && px2d::standin::AsciiSameText(own, name))
      return static_cast<int>(i);
  }
  return -1;
}

// The merge as its contract says it, name by name against every line.
TextLines ModelMerge(const TextLines& base, const TextLines& mine, const TextLines& theirs) {
  TextLines merged = theirs, added;
  std::vector<bool> removed(theirs.size(), false);
  std::vector<std::string> seen;
  for (const TextLines* side : {&mine, &base}) {
    for (const std::string& line : *side) {
      std::string_view name;
      if (!px2d::NameOfLine(line, name)) continue;
      bool done = false;
      for (const std::string& other : seen) done = done || px2d::standin::AsciiSameText(other, name);
      if (done) continue;
      seen.emplace_back(name);
      const int now = FirstOf(mine, name), before = FirstOf(base, name);
      if ((now < 0 && before < 0) || (now >= 0 && before >= 0 && mine[now] == base[before])) continue;
      std::vector<std::size_t> there;
      for (std::size_t i = 0; i < theirs.size(); ++i) {
        std::string_view own;
        if (px2d::NameOfLine(theirs[i], own) && px2d::standin::AsciiSameText(own, name)) there.push_back(i);
      }
      if (now < 0)
        for (std::size_t i : there) removed[i] = true;
      else if (!there.empty())
        merged[there.front()] = mine[now];
      else
        added.push_back(mine[now]);
    }
  }
  TextLines result;
  for (std::size_t i = 0; i < merged.size(); ++i)
    if (!removed[i]) result.push_back(merged[i]);
  result.insert(result.end(), added.begin(), added.end());
  return result;
}

// Bytes as lines of few names: each byte picks a line's name and value, or no "=" at all.
TextLines Lines(std::string_view bytes) {
  static const char* const names[] = {"a", "A", "b", "B", "ab", "aB", "ba", "", "c"};
  TextLines lines;
  for (unsigned char c : bytes) {
    if (c % 11 == 10)
      lines.emplace_back("no name");
    else
      lines.push_back(std::string(names[c % 9]) + "=" + std::to_string(c / 9 % 3));
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t one = size / 3, two = 2 * size / 3;
  const TextLines base = Lines(bytes.substr(0, one)), mine = Lines(bytes.substr(one, two - one)),
                  theirs = Lines(bytes.substr(two));
  const TextLines expected = ModelMerge(base, mine, theirs);
  if (px2d::MergeLines(base, mine, theirs, px2d::standin::AsciiNameRule()) != expected) std::abort();
  if (px2d::MergeLines(base, mine, theirs, kCoarse) != expected) std::abort();

  // Writes and removals, read back after each, against the plain model.
  for (const px2d::TNameRule* rule : {&px2d::standin::AsciiNameRule(), &kCoarse}) {
    px2d::TSettingsLines lines(*rule);
    lines = base;
    TextLines model = base;
    for (std::size_t i = two; i < size; ++i) {
      const TextLines pick = Lines(bytes.substr(i, 1));
      std::string_view name;
      if (!px2d::NameOfLine(pick[0], name)) continue;
      const std::string value = data[i] % 4 == 0 ? "" : px2d::ValueOfLine(pick[0]);
      if (data[i] % 7 == 0) {
        lines.Erase(name);
        for (int at; (at = FirstOf(model, name)) >= 0;) model.erase(model.begin() + at);
      } else {
        lines.Write(name, value);
        const int at = FirstOf(model, name);
        if (value.empty()) {
          if (at >= 0) model.erase(model.begin() + at);
        } else if (at >= 0) {
          model[static_cast<std::size_t>(at)] = std::string(name) + "=" + value;
        } else {
          model.push_back(std::string(name) + "=" + value);
        }
      }
      if (lines.Text() != model) std::abort();
      for (const char* key : {"a", "B", "ab", "", "c", "d"}) {
        const int at = FirstOf(model, key);
        if (lines.Find(key) != at) std::abort();
      }
    }
  }
  return 0;
}
