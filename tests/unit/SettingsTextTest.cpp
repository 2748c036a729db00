// The settings file's text rules: line splitting, writing back, the integer syntax, key lines.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "core/SettingsText.h"
#include "support/AsciiSameText.h"

namespace px2d {
namespace {

struct SplitCase {
  const char* name;
  std::string bytes;
  TextLines lines;
};

TEST(SettingsText, SplitsLinesAtEveryKindOfBreak) {
  const SplitCase cases[] = {
      {"empty file", "", {}},
      {"CR LF", "a=1\r\nb=2\r\n", {"a=1", "b=2"}},
      {"LF only", "a=1\nb=2\n", {"a=1", "b=2"}},
      {"CR only", "a=1\rb=2\r", {"a=1", "b=2"}},
      {"no final break", "a=1\r\nb=2", {"a=1", "b=2"}},
      {"LF CR is two breaks", "a\n\rb", {"a", "", "b"}},
      {"CR CR LF", "a\r\r\nb", {"a", "", "b"}},
      {"empty lines count", "\r\n\r\nx\r\n", {"", "", "x"}},
      {"lone break", "\n", {""}},
      {"zero byte ends the text", std::string("a=1\r\nb=2\0c=3\r\n", 14), {"a=1", "b=2"}},
      {"zero byte first", std::string("\0a=1", 4), {}},
      {"byte-order mark kept", "\xEF\xBB\xBFkey=1\r\n", {"\xEF\xBB\xBFkey=1"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.bytes), c.lines) << c.name;
}

TEST(SettingsText, WritesEveryLineWithCrLf) {
  EXPECT_EQ(JoinLines({}), "");
  EXPECT_EQ(JoinLines({""}), "\r\n");
  EXPECT_EQ(JoinLines({"a=1", "no equals sign here", "=5"}), "a=1\r\nno equals sign here\r\n=5\r\n");
  EXPECT_EQ(JoinLines(SplitLines("a\nb\rc")), "a\r\nb\r\nc\r\n");
}

struct IntegerCase {
  const char* text;
  bool parses;
  std::int32_t value;
};

TEST(SettingsText, ParsesTheIntegerSyntax) {
  const IntegerCase cases[] = {
      {"42", true, 42},
      {"+42", true, 42},
      {"042", true, 42},
      {"$2a", true, 42},
      {"x2A", true, 42},
      {"X2a", true, 42},
      {"0X2a", true, 42},
      {"0x2A", true, 42},
      {"  7", true, 7},
      {"-7", true, -7},
      {"-2147483648", true, INT32_MIN},
      {"2147483647", true, INT32_MAX},
      {"$FFFFFFFF", true, -1},
      {"-$10", true, -16},
      {"-$FFFFFFFF", true, 1},
      {"$80000000", true, INT32_MIN},
      {"$000000000001", true, 1},
      {"0000000000000000000042", true, 42},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"$100000000", false, 0},
      {"99999999999999999999", false, 0},
      {"", false, 0},
      {"   ", false, 0},
      {"-", false, 0},
      {"+", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"4 2", false, 0},
      {"1e3", false, 0},
      {"5 ", false, 0},
      {"\t5", false, 0},
      {"+-5", false, 0},
      {"--5", false, 0},
      {"- 5", false, 0},
      {"$-5", false, 0},
      {"true", false, 0},
      {"$g", false, 0},
      {"0x0x1", false, 0},
      {"x", false, 0},
  };
  for (const auto& c : cases) {
    std::int32_t value = 12345;
    EXPECT_EQ(ParseInteger(c.text, value), c.parses) << '"' << c.text << '"';
    if (c.parses) {
      EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
  }
}

TEST(SettingsText, BooleanIsTheLowestEightBits) {
  for (std::int32_t v : {1, 2, -1, 257, 255}) EXPECT_TRUE(IntegerToBool(v)) << v;
  for (std::int32_t v : {0, 256, 0x100, 512, INT32_MIN}) EXPECT_FALSE(IntegerToBool(v)) << v;
}

TSettingsLines Lines(TextLines text, const TNameRule& rule = standin::AsciiNameRule()) {
  TSettingsLines lines(rule);
  lines = std::move(text);
  return lines;
}

TEST(SettingsText, FindsTheFirstLineWhoseWholeNameMatches) {
  const TSettingsLines lines =
      Lines({"no equals sign here", "=5", "area size =1", "area size=5", "AREA SIZE=7"});
  EXPECT_EQ(lines.Find("area size"), 3);
  EXPECT_EQ(lines.Find("Area Size"), 3);
  EXPECT_EQ(lines.Find("area size "), 2);
  EXPECT_EQ(lines.Find(""), 1);
  EXPECT_EQ(lines.Find("no equals sign here"), -1);
  EXPECT_EQ(ValueOfLine("area size= 5"), " 5");
  EXPECT_EQ(ValueOfLine("a=b=c"), "b=c");
  EXPECT_EQ(ValueOfLine("a="), "");
}

// A name that the comparison calls equal to the key, of another length: the value still starts
// after the line's own "=". The stand-in ignores '-', as a locale may ignore a soft hyphen.
TEST(SettingsText, AValueStartsAfterItsOwnLinesEquals) {
  const auto withoutHyphens = [](std::string_view a) {
    std::string x;
    for (char c : a)
      if (c != '-') x += c;
    return standin::AsciiLowerCase(x);
  };
  const TNameRule ignoringHyphens{
      [&](std::string_view a, std::string_view b) { return withoutHyphens(a) == withoutHyphens(b); },
      [&](std::string_view a) { return HashBytes(withoutHyphens(a)); }};
  const struct {
    const char* line;
    std::int32_t read;
  } cases[] = {
      {"include mini-mized=0", 0},
      {"in-clude mini-mized=7", 7},
      {"include minimized=5", 5},
      {"include minimized==5", 1},  // the value is "=5", which is no number
  };
  for (const auto& c : cases) {
    const TSettingsLines lines = Lines({c.line}, ignoringHyphens);
    EXPECT_EQ(lines.ReadInteger("include minimized", 1), c.read) << c.line;
    EXPECT_EQ(lines.ReadInteger("include mini-mi-zed", 1), c.read) << c.line;
  }
}

// A key coarser than the comparison (here: every name has one key) still finds only equal names:
// the names of one key are compared.
TEST(SettingsText, NamesOfOneKeyAreStillCompared) {
  const TNameRule oneKey{standin::AsciiSameText, [](std::string_view) { return std::uint64_t{7}; }};
  TSettingsLines lines = Lines({"a=1", "b=2", "B=3"}, oneKey);
  EXPECT_EQ(lines.ReadInteger("b", 0), 2);
  EXPECT_EQ(lines.ReadInteger("c", 0), 0);
  lines.Erase("B");
  EXPECT_EQ(lines, TextLines{"a=1"});
  EXPECT_EQ(MergeLines({"a=1", "b=2"}, {"a=1", "b=5"}, {"B=2", "a=0"}, oneKey), (TextLines{"b=5", "a=0"}));
}

// Three versions: what this side read (base), what it holds now (mine), what the file holds now
// (theirs, another program's writing).
TEST(SettingsText, MergeMakesThisSidesChangesOverTheOtherProgramsLines) {
  const struct {
    const char* name;
    TextLines base, mine, theirs, merged;
  } cases[] = {
      {"the other program added a line",
       {"a=1", "b=2"},
       {"a=1", "b=3"},
       {"a=1", "b=2", "c=7"},
       {"a=1", "b=3", "c=7"}},
      {"it changed a line this side left", {"a=1", "b=2"}, {"a=1", "b=3"}, {"a=0", "b=2"}, {"a=0", "b=3"}},
      {"it removed a line this side left", {"a=1", "b=2"}, {"a=1", "b=3"}, {"b=2"}, {"b=3"}},
      {"it removed the line this side changed: at the end",
       {"a=1", "b=2", "c=3"},
       {"a=1", "b=9", "c=3"},
       {"a=1", "c=3"},
       {"a=1", "c=3", "b=9"}},
      {"both changed the same line: this side's", {"a=1"}, {"a=2"}, {"a=3"}, {"a=2"}},
      {"reordered, duplicated: the file's order, the first line",
       {"a=1", "b=2"},
       {"a=5", "b=2"},
       {"b=2", "x", "a=1", "a=4"},
       {"b=2", "x", "a=5", "a=4"}},
      {"a name in another case is the same name",
       {"a=1", "b=2"},
       {"a=1", "b=3"},
       {"B=2", "a=1"},
       {"b=3", "a=1"}},
      {"this side removed a line", {"a=1", "b=2"}, {"a=1"}, {"b=2", "a=1", "c=0"}, {"a=1", "c=0"}},
      {"this side removed a line that the file now has twice: both go",
       {"k=F11", "a=1"},
       {"a=1"},
       {"k=F10", "a=1", "K=F11"},
       {"a=1"}},
      {"this side added a line", {"a=1"}, {"a=1", "n=4"}, {"a=2"}, {"a=2", "n=4"}},
      {"this side added two, in its order", {}, {"n=4", "m=5"}, {"a=2"}, {"a=2", "n=4", "m=5"}},
      {"nothing changed on this side: the file as it is", {"a=1", "b=2"}, {"a=1", "b=2"}, {"z=1"}, {"z=1"}},
      {"lines without a name are never changes", {"junk"}, {"other junk"}, {"a=1"}, {"a=1"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MergeLines(c.base, c.mine, c.theirs, standin::AsciiNameRule()), c.merged) << c.name;
}

// The merge indexes each side once: doubling the lines doubles the comparisons and keys made, where
// comparing every name with every other would make four times as many.
TEST(SettingsText, MergeGrowsWithTheLinesNotTheirSquare) {
  const auto count = [](std::size_t n) {
    std::size_t calls = 0;
    const TNameRule counted{[&](std::string_view a, std::string_view b) {
                              ++calls;
                              return standin::AsciiSameText(a, b);
                            },
                            [&](std::string_view a) {
                              ++calls;
                              return HashBytes(standin::AsciiLowerCase(a));
                            }};
    TextLines base, mine, theirs;
    for (std::size_t i = 0; i < n; ++i) {
      const std::string name = "Key " + std::to_string(i);
      base.push_back(name + "=1");
      // This side changes every other key; the other program writes every name in small letters,
      // so that each name is compared as well as keyed.
      mine.push_back(name + (i % 2 ? "=2" : "=1"));
      theirs.push_back(standin::AsciiLowerCase(name) + "=1");
    }
    theirs.push_back("added=1");
    const TextLines merged = MergeLines(base, mine, theirs, counted);
    EXPECT_EQ(merged.size(), n + 1);
    EXPECT_EQ(merged[1], "Key 1=2");
    return calls;
  };
  const std::size_t thousand = count(1000), twoThousand = count(2000);
  EXPECT_GT(thousand, 1000u);
  EXPECT_LE(twoThousand, thousand * 21 / 10) << thousand << " for 1000 lines";
}

TEST(SettingsText, WritesReplaceInPlaceAppendOrDelete) {
  TSettingsLines lines = Lines({"x=1", "area size=5", "AREA SIZE=7"});
  lines.Write("Area Size", "9");
  EXPECT_EQ(lines, (TextLines{"x=1", "Area Size=9", "AREA SIZE=7"}));
  lines.Write("new", "v");
  EXPECT_EQ(lines, (TextLines{"x=1", "Area Size=9", "AREA SIZE=7", "new=v"}));
  EXPECT_EQ(lines.ReadText("NEW", ""), "v") << "an appended line is found";
  lines.Write("area size", "");
  EXPECT_EQ(lines, (TextLines{"x=1", "AREA SIZE=7", "new=v"}));
  EXPECT_EQ(lines.ReadInteger("area size", 0), 7) << "the next line of the name is the key's";
  lines.Write("missing", "");
  EXPECT_EQ(lines, (TextLines{"x=1", "AREA SIZE=7", "new=v"}));
  lines.WriteInteger("n", -12);
  lines.WriteBool("b", true);
  EXPECT_EQ(lines, (TextLines{"x=1", "AREA SIZE=7", "new=v", "n=-12", "b=1"}));
  lines = {"k=1", "x=2", "K=3", "k=4"};
  lines.Erase("k");
  EXPECT_EQ(lines, (TextLines{"x=2"}));
  EXPECT_EQ(lines.ReadInteger("k", 0), 0);
}

}  // namespace
}  // namespace px2d
