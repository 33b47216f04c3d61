#pragma once

// Small value types shared by the control library: points and rectangles, sets of flags, colours,
// key codes, modal results and the shapes of the events controls raise.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <type_traits>

class TObject;

using Word = uint16_t;

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  // Right and bottom edges are outside the rectangle.
  bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  bool operator==(const TRect&) const = default;
};

inline TRect Rect(int left, int top, int right, int bottom) {
  return {left, top, right, bottom};
}
inline TRect Bounds(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}

// A set of enumeration values, stored as bits (the enumeration's values are bit numbers).
template <class E> class TSet {
  static_assert(std::is_enum_v<E>);

public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E item : items)
      FBits |= Bit(item);
  }

  constexpr bool Contains(E item) const { return (FBits & Bit(item)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E item) {
    FBits |= Bit(item);
    return *this;
  }
  constexpr TSet& Exclude(E item) {
    FBits &= ~Bit(item);
    return *this;
  }
  constexpr TSet operator+(TSet other) const { return FromBits(FBits | other.FBits); }
  constexpr TSet operator-(TSet other) const { return FromBits(FBits & ~other.FBits); }
  constexpr TSet operator*(TSet other) const { return FromBits(FBits & other.FBits); }
  constexpr bool operator==(const TSet&) const = default;
  constexpr uint32_t Bits() const { return FBits; }

private:
  uint32_t FBits = 0;
  static constexpr uint32_t Bit(E item) { return uint32_t{1} << static_cast<unsigned>(item); }
  static constexpr TSet FromBits(uint32_t bits) {
    TSet result;
    result.FBits = bits;
    return result;
  }
};

enum class TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
using enum TShiftStateItem;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using enum TMouseButton;

// Colours are 0x00BBGGRR values; negative values are system colours that a backend resolves.
using TColor = int32_t;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBtnFace = -16777201;
inline constexpr TColor clWindow = -16777211;
inline constexpr TColor clWindowText = -16777208;
inline constexpr TColor clGrayText = -16777199;
inline constexpr TColor clHighlight = -16777203;
inline constexpr TColor clInfoBk = -16777192;

constexpr TColor RGB(int red, int green, int blue) {
  return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}

// Virtual key codes.
inline constexpr Word VK_BACK = 0x08;
inline constexpr Word VK_TAB = 0x09;
inline constexpr Word VK_RETURN = 0x0D;
inline constexpr Word VK_SHIFT = 0x10;
inline constexpr Word VK_CONTROL = 0x11;
inline constexpr Word VK_MENU = 0x12;
inline constexpr Word VK_ESCAPE = 0x1B;
inline constexpr Word VK_SPACE = 0x20;
inline constexpr Word VK_PRIOR = 0x21;
inline constexpr Word VK_NEXT = 0x22;
inline constexpr Word VK_END = 0x23;
inline constexpr Word VK_HOME = 0x24;
inline constexpr Word VK_LEFT = 0x25;
inline constexpr Word VK_UP = 0x26;
inline constexpr Word VK_RIGHT = 0x27;
inline constexpr Word VK_DOWN = 0x28;
inline constexpr Word VK_INSERT = 0x2D;
inline constexpr Word VK_DELETE = 0x2E;
inline constexpr Word VK_F1 = 0x70;
inline constexpr Word VK_F4 = 0x73;
inline constexpr Word VK_F12 = 0x7B;
inline constexpr Word VK_OEM_1 = 0xBA;
inline constexpr Word VK_OEM_PLUS = 0xBB;
inline constexpr Word VK_OEM_COMMA = 0xBC;
inline constexpr Word VK_OEM_MINUS = 0xBD;
inline constexpr Word VK_OEM_PERIOD = 0xBE;
inline constexpr Word VK_OEM_2 = 0xBF;

// The result of a modal form or a message dialog: the button that closed it.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrClose = 8;
inline constexpr TModalResult mrHelp = 9;
inline constexpr TModalResult mrTryAgain = 10;
inline constexpr TModalResult mrContinue = 11;
inline constexpr TModalResult mrAll = 12;
inline constexpr TModalResult mrNoToAll = 13;
inline constexpr TModalResult mrYesToAll = 14;

// Event shapes.  The sender comes first, as the handlers of the forms expect.
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

enum class TDragState { dsDragEnter, dsDragLeave, dsDragMove };
using enum TDragState;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

namespace detail {

// Steps round a ring of `count` positions from `start` (excluded; -1 or `count` for "before the
// first") in the given direction, once round, and returns the first position `accept` takes, or
// -1.  Tab order and page order both wrap this way.
template <class F> int FindInRing(int count, int start, bool goForward, F&& accept) {
  if (count == 0)
    return -1;
  if (start < 0 || start >= count)
    start = goForward ? count - 1 : 0;
  int i = start;
  do {
    i = goForward ? (i + 1) % count : (i + count - 1) % count;
    if (accept(i))
      return i;
  } while (i != start);
  return -1;
}

} // namespace detail
