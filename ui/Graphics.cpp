#include "ui/Graphics.h"

#include "runtime/StrUtils.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

void TFont::SetName(const std::string& name) {
  if (name == FName)
    return;
  FName = name;
  Changed();
}

void TFont::SetSize(int size) {
  if (size == FSize)
    return;
  FSize = size;
  Changed();
}

int TFont::GetHeight() const {
  return -static_cast<int>(std::lround(FSize * 96.0 / 72.0));
}

void TFont::SetHeight(int height) {
  SetSize(static_cast<int>(std::lround(std::abs(height) * 72.0 / 96.0)));
}

void TFont::SetStyle(TFontStyles style) {
  if (style == FStyle)
    return;
  FStyle = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == FColor)
    return;
  FColor = color;
  Changed();
}

void TFont::Assign(const TFont& other) {
  if (*this == other)
    return;
  FName = other.FName;
  FSize = other.FSize;
  FStyle = other.FStyle;
  FColor = other.FColor;
  Changed();
}

void TFont::Changed() {
  if (OnChange)
    OnChange();
}

namespace {

struct TPictureHeader {
  std::string Format;
  int Width = 0;
  int Height = 0;
};

uint32_t BigEndian(const TBytes& d, size_t at, size_t size) {
  uint32_t value = 0;
  for (size_t i = 0; i < size; ++i)
    value = (value << 8) | d[at + i];
  return value;
}

uint32_t LittleEndian(const TBytes& d, size_t at, size_t size) {
  uint32_t value = 0;
  for (size_t i = size; i > 0; --i)
    value = (value << 8) | d[at + i - 1];
  return value;
}

bool StartsWith(const TBytes& d, std::initializer_list<uint8_t> prefix) {
  if (d.size() < prefix.size())
    return false;
  return std::equal(prefix.begin(), prefix.end(), d.begin());
}

// Reads the format and the dimensions from a picture file's header; Format stays empty when the
// bytes are not a complete header of a known format.
TPictureHeader ReadHeader(const TBytes& d) {
  TPictureHeader h;
  if (StartsWith(d, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) {
    if (d.size() >= 24 && d[12] == 'I' && d[13] == 'H' && d[14] == 'D' && d[15] == 'R')
      h = {"png", static_cast<int>(BigEndian(d, 16, 4)), static_cast<int>(BigEndian(d, 20, 4))};
  } else if (StartsWith(d, {'G', 'I', 'F', '8', '7', 'a'}) ||
             StartsWith(d, {'G', 'I', 'F', '8', '9', 'a'})) {
    if (d.size() >= 10)
      h = {"gif", static_cast<int>(LittleEndian(d, 6, 2)), static_cast<int>(LittleEndian(d, 8, 2))};
  } else if (StartsWith(d, {'B', 'M'})) {
    // The file size in the header may be 0; a larger one than the data means a cut file.
    if (d.size() >= 26 && LittleEndian(d, 2, 4) <= d.size() && LittleEndian(d, 14, 4) >= 12) {
      const auto height = static_cast<int32_t>(LittleEndian(d, 22, 4));
      h = {"bmp", static_cast<int>(LittleEndian(d, 18, 4)), std::abs(height)};
    }
  } else if (StartsWith(d, {0xFF, 0xD8, 0xFF})) {
    // Walk the markers up to the frame header, which holds the dimensions.
    size_t at = 2;
    while (at + 9 < d.size() && d[at] == 0xFF) {
      const uint8_t marker = d[at + 1];
      const size_t length = BigEndian(d, at + 2, 2);
      const bool frame =
          marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
      if (frame) {
        h = {"jpeg", static_cast<int>(BigEndian(d, at + 7, 2)),
             static_cast<int>(BigEndian(d, at + 5, 2))};
        break;
      }
      if (length < 2)
        break;
      at += 2 + length;
    }
  }
  return h;
}

std::string FormatOfExtension(const std::string& fileName) {
  const std::string ext = LowerCase(std::filesystem::path(fileName).extension().string());
  if (ext == ".png")
    return "png";
  if (ext == ".jpg" || ext == ".jpeg")
    return "jpeg";
  if (ext == ".gif")
    return "gif";
  if (ext == ".bmp")
    return "bmp";
  throw EInvalidGraphic("Unknown picture file extension (" + ext + ")");
}

} // namespace

std::string PictureFormatOf(const TBytes& data) {
  return ReadHeader(data).Format;
}

void TPicture::LoadFromFile(const std::string& fileName) {
  const std::string format = FormatOfExtension(fileName);
  std::ifstream in(fileName, std::ios::binary);
  if (!in)
    throw EInvalidGraphic("Cannot open file \"" + fileName + "\"");
  TBytes data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const TPictureHeader header = ReadHeader(data);
  if (header.Format != format)
    throw EInvalidGraphic("\"" + fileName + "\" is not a valid " + UpperCase(format) + " image");
  Set(std::move(data), header.Format, header.Width, header.Height);
}

void TPicture::SaveToFile(const std::string& fileName) const {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(FData.data()),
            static_cast<std::streamsize>(FData.size()));
  if (!out)
    throw Exception("Cannot write file \"" + fileName + "\"");
}

void TPicture::LoadFromBytes(const TBytes& data) {
  if (data.empty()) {
    Clear();
    return;
  }
  const TPictureHeader header = ReadHeader(data);
  if (header.Format.empty())
    throw EInvalidGraphic("The data is not a picture in a known format");
  Set(data, header.Format, header.Width, header.Height);
}

void TPicture::Assign(const TPicture& other) {
  if (&other == this)
    return;
  Set(other.FData, other.FFormat, other.FWidth, other.FHeight);
}

void TPicture::Clear() {
  Set({}, "", 0, 0);
}

void TPicture::Set(TBytes data, std::string format, int width, int height) {
  const bool changed = data != FData;
  FData = std::move(data);
  FFormat = std::move(format);
  FWidth = width;
  FHeight = height;
  if (changed && OnChange)
    OnChange();
}
