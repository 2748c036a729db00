// The drawing library for the position-marker button: started once for the marker's own use.
#pragma once

#include "GDIPUtil.h"

namespace px2d {

// The marker's own use of GDI+; the program keeps one for its whole run beside the glass button's.
using TSmoothGDIP = TGdiPlusSession;

}  // namespace px2d
