// GDI+ for the whole test program, as the program block starts it for the real one.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "controls/GDIPUtil.h"

namespace px2d::test {

// A PNG with alpha, encoded by GDI+ from 0xAARRGGBB pixels (rows top to bottom).
std::vector<std::uint8_t> EncodePng(int Width, int Height, const std::vector<std::uint32_t>& Pixels);

}  // namespace px2d::test
