#pragma once

// Page controls with their tab sheets, and the date picker.

#include "runtime/DateTime.h"
#include "ui/Controls.h"

#include <vector>

class TPageControl;

// A page of a page control.  Only the active page is visible; a page shows (OnShow) and hides
// (OnHide) as it becomes the active one or stops being it while its form is shown.  OnEnter runs
// when the focus goes into a control on the page.
class TTabSheet : public TWinControl {
  DUO_CLASS(TTabSheet, TWinControl)

public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;

  TPageControl* GetPageControl() const { return FPageControl; }
  // Adds the sheet to a page control (as its last page) or takes it out.
  void SetPageControl(TPageControl* pageControl);
  // The sheet's position among the pages; setting it moves the tab.
  int GetPageIndex() const;
  void SetPageIndex(int index);
  // The position among the visible tabs; -1 when the tab is hidden.
  int GetTabIndex() const;
  bool GetTabVisible() const { return FTabVisible; }
  void SetTabVisible(bool visible);
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int index);
  bool GetHighlighted() const { return FHighlighted; }
  void SetHighlighted(bool highlighted);

  bool TakesFocusOnClick() const override { return false; }

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

protected:
  void ShowingChanged() override;

private:
  friend class TPageControl;

  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
  int FImageIndex = -1;
  bool FHighlighted = false;
};

enum class TTabStyle { tsTabs, tsButtons, tsFlatButtons };
using enum TTabStyle;
enum class TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
using enum TTabPosition;

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;
using TDrawTabEvent =
    std::function<void(TObject* Control, int TabIndex, const TRect& Rect, bool Active)>;

// Pages with a row of tabs along the top.  The pages fill the area below the tabs.  Setting the
// active page by code raises nothing but the pages' OnShow and OnHide; the user's choice of a tab
// (a left press on it) asks OnChanging, then changes the page and raises OnChange.  Tabs have
// rectangles (TabRect) computed from their captions, so that a backend and the mouse agree on
// where each tab is.
class TPageControl : public TWinControl {
  DUO_CLASS(TPageControl, TWinControl)

public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int index) const;
  TTabSheet* GetActivePage() const { return FActivePage; }
  void SetActivePage(TTabSheet* page);
  int GetActivePageIndex() const;
  void SetActivePageIndex(int index);
  // The active page's tab among the visible tabs, -1 for none.
  int GetTabIndex() const;
  // The page of a visible tab.
  TTabSheet* PageOfTab(int tabIndex) const;
  // The next (or previous) page after `current`, going round; with checkTabVisible only pages
  // whose tab is visible.
  TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;
  // The user's Ctrl+Tab: moves to the next page as a tab click does.
  void SelectNextPage(bool goForward, bool checkTabVisible = true);

  // The rectangle of a visible tab (the platform's tab-rectangle query); empty when there is no
  // such tab.
  TRect TabRect(int tabIndex) const;
  // The visible tab at a point, -1 for none.
  int IndexOfTabAt(int x, int y) const;
  int GetTabHeight() const;
  void SetTabHeight(int height);
  int GetTabWidth() const { return FTabWidth; }
  void SetTabWidth(int width);
  bool GetOwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool ownerDraw);
  bool GetHotTrack() const { return FHotTrack; }
  void SetHotTrack(bool hotTrack);
  TTabStyle GetStyle() const { return FStyle; }
  void SetStyle(TTabStyle style);
  TTabPosition GetTabPosition() const { return FTabPosition; }
  void SetTabPosition(TTabPosition position);
  bool GetMultiLine() const { return FMultiLine; }
  void SetMultiLine(bool multiLine);

  TRect GetDisplayRect() const override;

  // The change notification (OnChange).
  virtual void Change();
  // Asks OnChanging whether the user may leave the active page.
  virtual bool CanChange();
  // Owner drawing: a backend with OwnerDraw set calls it for every tab it paints.
  virtual void DrawTab(int tabIndex, const TRect& rect, bool active);
  // A left press on a tab chooses it, before OnMouseDown.
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDownDefault(Word key, TShiftState shift) override;

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;
  TDrawTabEvent OnDrawTab;

protected:
  void AlignControls() override;
  // The user's choice of a page: OnChanging, the change, OnChange.
  void ChangeByUser(TTabSheet* page);

private:
  friend class TTabSheet;

  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  int FTabHeight = 0;
  int FTabWidth = 0;
  bool FOwnerDraw = false;
  bool FHotTrack = false;
  TTabStyle FStyle = tsTabs;
  TTabPosition FTabPosition = tpTop;
  bool FMultiLine = false;

  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void ChangeActivePage(TTabSheet* page);
  void MovePage(TTabSheet* page, int index);
};

enum class TDateTimeKind { dtkDate, dtkTime };
using enum TDateTimeKind;
enum class TDTDateFormat { dfShort, dfLong };
using enum TDTDateFormat;

// A date (or time) picker.  Its text is the value in the short date format of the process's
// format settings (the long one with dfLong; the time with dtkTime).  Setting the value by code
// raises nothing; the user's change raises OnChange.
class TDateTimePicker : public TWinControl {
  DUO_CLASS(TDateTimePicker, TWinControl)

public:
  explicit TDateTimePicker(TComponent* AOwner);

  TDateTime GetDate() const { return DateOf(FValue); }
  void SetDate(TDateTime date);
  TDateTime GetTime() const { return TimeOf(FValue); }
  void SetTime(TDateTime time);
  TDateTime GetDateTime() const { return FValue; }
  void SetDateTime(TDateTime value);
  TDateTimeKind GetKind() const { return FKind; }
  void SetKind(TDateTimeKind kind);
  TDTDateFormat GetDateFormat() const { return FDateFormat; }
  void SetDateFormat(TDTDateFormat format);
  bool GetShowCheckbox() const { return FShowCheckbox; }
  void SetShowCheckbox(bool show);
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool checked);

  // User input: the user picked a value.
  virtual void ChangeByUser(TDateTime value);

  TNotifyEvent OnChange;
  TNotifyEvent OnCloseUp;
  TNotifyEvent OnDropDown;

protected:
  virtual void Change();
  // Text set by code is read as a date in the picker's format; text that is not one is refused
  // with EConvertError and the picker keeps its value.
  void TextChanged() override;

private:
  TDateTime FValue;
  TDateTimeKind FKind = dtkDate;
  TDTDateFormat FDateFormat = dfShort;
  bool FShowCheckbox = false;
  bool FChecked = true;

  std::string FormatValue(TDateTime value) const;
  void SetValue(TDateTime value);
};
