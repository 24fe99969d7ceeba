// The GDI+ headers as the backend includes them: after <windows.h> and COM's
// stream interface, with the min and max that GDI+ expects and NOMINMAX takes
// away. Only for the backend's own .cpp files.
#pragma once

#include <windows.h>
// After <windows.h>, which they need.
#include <objidl.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>
