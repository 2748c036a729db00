// Any bytes loaded, saved and loaded again give the same lines; integer parsing never misbehaves.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/SettingsText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const px2d::TextLines lines = px2d::SplitLines(bytes);
  const std::string saved = px2d::JoinLines(lines);
  if (px2d::SplitLines(saved) != lines) std::abort();
  if (px2d::JoinLines(px2d::SplitLines(saved)) != saved) std::abort();

  std::int32_t value = 0;
  if (px2d::ParseInteger(bytes, value)) {
    // Every decimal text the store writes reads back as the same number.
    std::int32_t again = 0;
    if (!px2d::ParseInteger(std::to_string(value), again) || again != value) std::abort();
  }
  return 0;
}
