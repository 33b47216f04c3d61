#pragma once

// The page control of an image: an img element showing the live image's picture as inline data,
// or an image address.

#include "render/Facet.Forms.Controls.h"
#include "ui/Graphics.h"

#include <functional>
#include <string>
#include <vector>

class TFacetImage : public TFacetControl {
  DUO_CLASS(TFacetImage, TFacetControl)

public:
  using TFacetControl::TFacetControl;
  ~TFacetImage() override;

  // The live image's picture (not owned); a change of the picture refreshes the control.
  void SetPicture(TPicture* Value);
  TPicture* GetPicture() const { return FPicture; }
  // An image address, shown instead of the picture.
  void SetURLImage(const std::string& Value) { FURLImage = Value; }
  const std::string& GetURLImage() const { return FURLImage; }

  bool IsImage() const override { return true; }
  bool NeedCheckValidation() const override { return true; }
  void ProcessHTML() override;
  void ProcessComponentState(const TJSON&) override {}
  bool GetEnableComponentState() const override { return false; }

protected:
  // The image is sent only when forced or refreshed.
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override;

private:
  TPicture* FPicture = nullptr;
  std::string FURLImage;
  // The picture's own change handler, still called after the control's.
  std::function<void()> FPictureOnChange;

  void ReleasePicture();
  // The picture's bytes in Base64, in lines of 76 characters; empty without a picture.
  std::string PictureData() const;
};
