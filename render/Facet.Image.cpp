#include "render/Facet.Image.h"

#include "bridge/Duo.Util.h"
#include "runtime/Hash.h"

const TClassInfo& TFacetImage::StaticClass() {
  static const TClassInfo info = TClassBuilder<TFacetImage>("TFacetImage").Creatable().Build();
  return info;
}

TFacetImage::~TFacetImage() {
  ReleasePicture();
}

void TFacetImage::ReleasePicture() {
  if (FPicture != nullptr)
    FPicture->OnChange = std::move(FPictureOnChange);
  FPicture = nullptr;
  FPictureOnChange = nullptr;
}

void TFacetImage::SetPicture(TPicture* Value) {
  ReleasePicture();
  FPicture = Value;
  if (FPicture == nullptr)
    return;
  FPictureOnChange = std::move(FPicture->OnChange);
  FPicture->OnChange = [this] {
    Refresh();
    if (FPictureOnChange)
      FPictureOnChange();
  };
}

std::string TFacetImage::PictureData() const {
  if (FPicture == nullptr || FPicture->Empty())
    return "";
  const std::string encoded = Base64Encode(FPicture->GetData());
  std::string lines;
  for (size_t pos = 0; pos < encoded.size(); pos += 76) {
    if (pos > 0)
      lines += "\r\n";
    lines += encoded.substr(pos, 76);
  }
  return lines;
}

void TFacetImage::ProcessHTML() {
  const std::string data = PictureData();
  // The picture has no text of its own to offer: an empty alternative text tells assistive
  // technology so, instead of the file name being read out.
  const std::string open = "<div><img alt=\"\" " + FHTMLCore;
  if (!FURLImage.empty())
    FHTMLControl = open + " src=\"" + HTMLEncode(FURLImage) + "\" /></div>";
  else if (!data.empty())
    FHTMLControl = open + " src=\"data:image/jpeg;base64, " + data + "\"/></div>";
  else
    FHTMLControl = open + " /></div>";
}

void TFacetImage::UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) {
  if (!AForceUpdate)
    return;
  const std::string data = PictureData();
  if (!FURLImage.empty())
    ScriptJS.push_back(ElementJS() + ".src= " + FormatValueHTML(FURLImage) + ";");
  else if (!data.empty())
    ScriptJS.push_back(ElementJS() +
                       ".src = " + FormatValueHTML("data:image/jpeg;base64, " + data) + ";");
  else
    ScriptJS.push_back(ElementJS() + ".src= \"\";");
}
