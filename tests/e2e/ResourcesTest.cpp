// What the program carries in its own resources.
#include <gtest/gtest.h>

#include <windows.h>

#include "E2eSupport.h"
#include "core/HotKeyText.h"

namespace px2d::e2e {
namespace {

struct TModule {
  explicit TModule(const std::wstring& path)
      : Handle(LoadLibraryExW(path.c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~TModule() {
    if (Handle) FreeLibrary(Handle);
  }
  TModule(const TModule&) = delete;
  TModule& operator=(const TModule&) = delete;
  HMODULE Handle;
};

TEST(Resources, ProgramCarriesTheKeyCapsInItsStringTable) {
  const TModule program(ProgramPath());
  ASSERT_NE(program.Handle, nullptr);
  const UINT ids[hcWin] = {65340, 65341, 65342, 65343, 65312, 65313, 65314, 65315, 65316,
                           65317, 65318, 65319, 65320, 65321, 65322, 65323, 65324, 65325};
  for (int i = 0; i < hcWin; ++i) {
    char buffer[256] = {};
    ASSERT_GT(LoadStringA(program.Handle, ids[i], buffer, sizeof buffer), 0) << ids[i];
    EXPECT_EQ(std::string(buffer), EnglishHotKeyCaps()[static_cast<std::size_t>(i)]) << ids[i];
  }
}

}  // namespace
}  // namespace px2d::e2e
