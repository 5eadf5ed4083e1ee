// The class identifier under which the stand-in COM server registers, shared with the tests.
#pragma once

#include <windows.h>

namespace rozovevi::tests::standin_com {

// {C412548B-FDAF-412E-B48A-0C70C492C559}
inline constexpr CLSID kStandInClassId = {
    0xC412548B, 0xFDAF, 0x412E, {0xB4, 0x8A, 0x0C, 0x70, 0xC4, 0x92, 0xC5, 0x59}};
inline constexpr wchar_t kStandInClassIdText[] = L"{C412548B-FDAF-412E-B48A-0C70C492C559}";

}  // namespace rozovevi::tests::standin_com
