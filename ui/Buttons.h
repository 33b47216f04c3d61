#pragma once

// Buttons with a picture: the bitmap button (a push button) and the speed button (a flat tool
// button that takes no focus).

#include "ui/StdCtrls.h"

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
using enum TButtonLayout;

enum class TBitBtnKind {
  bkCustom,
  bkOK,
  bkCancel,
  bkHelp,
  bkYes,
  bkNo,
  bkClose,
  bkAbort,
  bkRetry,
  bkIgnore,
  bkAll
};
using enum TBitBtnKind;

// A push button with a glyph.  A Kind other than bkCustom gives it the kind's caption and modal
// result (and makes bkOK and bkYes the default button, bkCancel and bkNo the cancel button); a
// bkClose button closes its form instead of raising OnClick.
class TBitBtn : public TButton {
  DUO_CLASS(TBitBtn, TButton)

public:
  explicit TBitBtn(TComponent* AOwner);

  TPicture& GetGlyph() { return FGlyph; }
  const TPicture& GetGlyph() const { return FGlyph; }
  TBitBtnKind GetKind() const { return FKind; }
  void SetKind(TBitBtnKind kind);
  TButtonLayout GetLayout() const { return FLayout; }
  void SetLayout(TButtonLayout layout);
  int GetMargin() const { return FMargin; }
  void SetMargin(int margin);
  int GetSpacing() const { return FSpacing; }
  void SetSpacing(int spacing);
  int GetNumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int count);

  void Click() override;

private:
  TPicture FGlyph;
  TBitBtnKind FKind = bkCustom;
  TButtonLayout FLayout = blGlyphLeft;
  int FMargin = -1;
  int FSpacing = 4;
  int FNumGlyphs = 1;
};

// A tool button.  Margin is the distance of the glyph from the edge (-1 centres the glyph and
// text); Spacing the distance between glyph and text.  Buttons of one GroupIndex (not 0) on the
// same parent act as a group: clicking one holds it down and releases the others.
class TSpeedButton : public TGraphicControl {
  DUO_CLASS(TSpeedButton, TGraphicControl)

public:
  explicit TSpeedButton(TComponent* AOwner);

  TPicture& GetGlyph() { return FGlyph; }
  const TPicture& GetGlyph() const { return FGlyph; }
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool flat);
  TButtonLayout GetLayout() const { return FLayout; }
  void SetLayout(TButtonLayout layout);
  int GetMargin() const { return FMargin; }
  void SetMargin(int margin);
  int GetSpacing() const { return FSpacing; }
  void SetSpacing(int spacing);
  int GetNumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int count);
  int GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int index) { FGroupIndex = index; }
  bool GetDown() const { return FDown; }
  void SetDown(bool down);
  bool GetAllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool allow) { FAllowAllUp = allow; }
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool transparent);

  void PerformClick() override;

private:
  TPicture FGlyph;
  bool FFlat = false;
  TButtonLayout FLayout = blGlyphLeft;
  int FMargin = -1;
  int FSpacing = 4;
  int FNumGlyphs = 1;
  int FGroupIndex = 0;
  bool FDown = false;
  bool FAllowAllUp = false;
  bool FTransparent = true;
};
