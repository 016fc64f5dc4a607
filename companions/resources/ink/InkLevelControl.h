#pragma once
#include <windows.h>

// The ink-level control of the monitor window's template: a labelled level bar
// in one ink's colour with a warning mark. It answers WM_USER with
//   wParam 9   lParam = colour index 1..6 (which ink it shows)
//   wParam 10  lParam = level block: [0] = 6, [1..6] levels 0..100; the control
//              takes the value at its own colour index; a block whose levels
//              are all 0, or a null pointer, clears the display; marks reset
//   wParam 11  first warning mark (ink low), same block
//   wParam 12  second warning mark (ink out), same block
// The bar is horizontal when the control is wider than tall, vertical otherwise.
namespace ink {

constexpr char kClassName[] = "KvrInkLevel";
constexpr UINT kMessage = WM_USER;
constexpr WPARAM kSetColour = 9;
constexpr WPARAM kSetLevel = 10;
constexpr WPARAM kMarkLow = 11;
constexpr WPARAM kMarkOut = 12;
// The block holds fourteen 32-bit values; nothing past them is ever read.
constexpr int kBlockValues = 14;

bool RegisterInkClass(HINSTANCE module);
void UnregisterInkClass(HINSTANCE module);

// The display colour of an ink by colour index (1..6); grey for anything else.
COLORREF InkColour(int colourIndex);

} // namespace ink
