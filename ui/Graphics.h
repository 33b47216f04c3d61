#pragma once

// Fonts and pictures: the values a backend needs to present text and images.  Nothing here draws.

#include "runtime/Exceptions.h"
#include "runtime/Variant.h"
#include "ui/Types.h"

#include <functional>
#include <string>

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using enum TFontStyle;
using TFontStyles = TSet<TFontStyle>;

// A font description.  Size is in points; Height is the same measure in pixels at 96 pixels per
// inch, negative as the platform gives it (character height without internal leading).
class TFont {
public:
  const std::string& GetName() const { return FName; }
  void SetName(const std::string& name);
  int GetSize() const { return FSize; }
  void SetSize(int size);
  int GetHeight() const;
  void SetHeight(int height);
  TFontStyles GetStyle() const { return FStyle; }
  void SetStyle(TFontStyles style);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor color);

  // Copies every attribute and reports one change.
  void Assign(const TFont& other);
  bool operator==(const TFont& other) const {
    return FName == other.FName && FSize == other.FSize && FStyle == other.FStyle &&
           FColor == other.FColor;
  }

  std::function<void()> OnChange;

private:
  std::string FName = "Segoe UI";
  int FSize = 9;
  TFontStyles FStyle;
  TColor FColor = clWindowText;

  void Changed();
};

// A picture file that cannot be read as a picture.
class EInvalidGraphic : public Exception {
public:
  using Exception::Exception;
};

// A picture held as the bytes of its file and their format ("bmp", "png", "jpeg" or "gif"), with
// the dimensions read from the file's header.  Loading checks that the bytes are a picture of the
// format; bytes that are not are refused with EInvalidGraphic and the picture keeps what it held.
class TPicture {
public:
  bool Empty() const { return FData.empty(); }
  const TBytes& GetData() const { return FData; }
  const std::string& GetFormat() const { return FFormat; }
  int GetWidth() const { return FWidth; }
  int GetHeight() const { return FHeight; }

  // The format follows the file's extension (.bmp, .png, .jpg, .jpeg, .gif).
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;
  // The format is read from the bytes; empty bytes clear the picture.
  void LoadFromBytes(const TBytes& data);
  void Assign(const TPicture& other);
  void Clear();

  bool operator==(const TPicture& other) const { return FData == other.FData; }

  std::function<void()> OnChange;

private:
  TBytes FData;
  std::string FFormat;
  int FWidth = 0;
  int FHeight = 0;

  void Set(TBytes data, std::string format, int width, int height);
};

// The format of picture bytes ("bmp", "png", "jpeg", "gif"), or "" when they are none of these.
std::string PictureFormatOf(const TBytes& data);
