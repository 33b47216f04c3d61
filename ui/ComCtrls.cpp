#include "ui/ComCtrls.h"

#include "runtime/FormatSettings.h"
#include "ui/Forms.h"

#include <algorithm>
#include <cstdlib>

// ---------------------------------------------------------------------------------------------
// TTabSheet

const TClassInfo& TTabSheet::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TTabSheet>("TTabSheet")
          .Property("Caption", &TTabSheet::GetCaption, &TTabSheet::SetCaption)
          .Property("PageIndex", &TTabSheet::GetPageIndex, &TTabSheet::SetPageIndex)
          .ReadOnly("TabIndex", &TTabSheet::GetTabIndex)
          .Property("TabVisible", &TTabSheet::GetTabVisible, &TTabSheet::SetTabVisible)
          .Property("ImageIndex", &TTabSheet::GetImageIndex, &TTabSheet::SetImageIndex)
          .Property("Highlighted", &TTabSheet::GetHighlighted, &TTabSheet::SetHighlighted)
          .Creatable()
          .Build();
  return info;
}

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  InitVisible(false);
}

TTabSheet::~TTabSheet() {
  // The page control chooses another page first; this sheet's own OnHide still runs, as it does
  // when a page is removed.
  if (FPageControl != nullptr)
    FPageControl->RemovePage(this);
  MarkDestroying();
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
  if (pageControl == FPageControl)
    return;
  if (FPageControl != nullptr)
    FPageControl->RemovePage(this);
  SetParent(pageControl);
  if (pageControl != nullptr)
    pageControl->InsertPage(this);
}

int TTabSheet::GetPageIndex() const {
  if (FPageControl == nullptr)
    return -1;
  const auto& pages = FPageControl->FPages;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int index) {
  if (FPageControl != nullptr)
    FPageControl->MovePage(this, index);
}

int TTabSheet::GetTabIndex() const {
  if (FPageControl == nullptr || !FTabVisible)
    return -1;
  int index = 0;
  for (const TTabSheet* page : FPageControl->FPages) {
    if (page == this)
      return index;
    if (page->FTabVisible)
      ++index;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool visible) {
  if (visible == FTabVisible)
    return;
  FTabVisible = visible;
  Changed("TabVisible");
  if (FPageControl == nullptr)
    return;
  if (!visible && FPageControl->FActivePage == this)
    FPageControl->ChangeActivePage(FPageControl->FindNextPage(this, true, true));
  else if (visible && FPageControl->FActivePage == nullptr)
    FPageControl->ChangeActivePage(this);
}

void TTabSheet::SetImageIndex(int index) {
  if (index == FImageIndex)
    return;
  FImageIndex = index;
  Changed("ImageIndex");
}

void TTabSheet::SetHighlighted(bool highlighted) {
  if (highlighted == FHighlighted)
    return;
  FHighlighted = highlighted;
  Changed("Highlighted");
}

void TTabSheet::ShowingChanged() {
  if (InDestruction())
    return;
  const bool showing = GetShowing();
  GetApplication().RunUserAction([&] {
    const TNotifyEvent& event = showing ? OnShow : OnHide;
    if (event)
      event(this);
  });
}

// ---------------------------------------------------------------------------------------------
// TPageControl

const TClassInfo& TPageControl::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TPageControl>("TPageControl")
          .Property("ActivePageIndex", &TPageControl::GetActivePageIndex,
                    &TPageControl::SetActivePageIndex)
          .ReadOnly("TabIndex", &TPageControl::GetTabIndex)
          .Property("TabHeight", &TPageControl::GetTabHeight, &TPageControl::SetTabHeight)
          .Property("TabWidth", &TPageControl::GetTabWidth, &TPageControl::SetTabWidth)
          .Property("OwnerDraw", &TPageControl::GetOwnerDraw, &TPageControl::SetOwnerDraw)
          .Property("HotTrack", &TPageControl::GetHotTrack, &TPageControl::SetHotTrack)
          .Property("Style", &TPageControl::GetStyle, &TPageControl::SetStyle)
          .Property("TabPosition", &TPageControl::GetTabPosition, &TPageControl::SetTabPosition)
          .Property("MultiLine", &TPageControl::GetMultiLine, &TPageControl::SetMultiLine)
          .Creatable()
          .Build();
  return info;
}

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  MarkDestroying();
  for (TTabSheet* page : FPages)
    page->FPageControl = nullptr;
  FPages.clear();
  FActivePage = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount())
    throw EListError("Page index out of bounds (" + std::to_string(index) + ")");
  return FPages[static_cast<size_t>(index)];
}

void TPageControl::InsertPage(TTabSheet* page) {
  FPages.push_back(page);
  page->FPageControl = this;
  Changed("Pages");
  Realign();
  if (FActivePage == nullptr && page->FTabVisible)
    ChangeActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
  TTabSheet* next = FindNextPage(page, true, true);
  if (next == page)
    next = nullptr;
  std::erase(FPages, page);
  page->FPageControl = nullptr;
  Changed("Pages");
  if (FActivePage == page)
    ChangeActivePage(next);
}

void TPageControl::MovePage(TTabSheet* page, int index) {
  const int from = page->GetPageIndex();
  index = std::clamp(index, 0, PageCount() - 1);
  if (from < 0 || from == index)
    return;
  std::erase(FPages, page);
  FPages.insert(FPages.begin() + index, page);
  Changed("Pages");
}

void TPageControl::ChangeActivePage(TTabSheet* page) {
  if (page == FActivePage)
    return;
  TTabSheet* old = FActivePage;
  TCustomForm* form = GetParentForm(this);
  if (old != nullptr && form != nullptr && old->ContainsControl(form->GetFocusedControl()) &&
      CanFocus())
    form->FocusControl(this);
  FActivePage = page;
  if (page != nullptr) {
    page->BringToFront();
    page->SetVisible(true);
  }
  if (old != nullptr)
    old->SetVisible(false);
  Changed("ActivePage");
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page != nullptr && page->FPageControl != this)
    return;
  ChangeActivePage(page);
}

int TPageControl::GetActivePageIndex() const {
  return FActivePage == nullptr ? -1 : FActivePage->GetPageIndex();
}

void TPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < PageCount() ? FPages[static_cast<size_t>(index)] : nullptr);
}

int TPageControl::GetTabIndex() const {
  return FActivePage == nullptr ? -1 : FActivePage->GetTabIndex();
}

TTabSheet* TPageControl::PageOfTab(int tabIndex) const {
  int index = 0;
  for (TTabSheet* page : FPages) {
    if (!page->FTabVisible)
      continue;
    if (index == tabIndex)
      return page;
    ++index;
  }
  return nullptr;
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward,
                                      bool checkTabVisible) const {
  const int start = current == nullptr ? -1 : current->GetPageIndex();
  const int found = detail::FindInRing(PageCount(), start, goForward, [&](int i) {
    return !checkTabVisible || FPages[static_cast<size_t>(i)]->FTabVisible;
  });
  return found < 0 ? nullptr : FPages[static_cast<size_t>(found)];
}

void TPageControl::SelectNextPage(bool goForward, bool checkTabVisible) {
  TTabSheet* page = FindNextPage(FActivePage, goForward, checkTabVisible);
  if (page != nullptr && page != FActivePage)
    ChangeByUser(page);
}

int TPageControl::GetTabHeight() const {
  return FTabHeight > 0 ? FTabHeight : std::abs(GetFont().GetHeight()) + 9;
}

void TPageControl::SetTabHeight(int height) {
  if (height == FTabHeight)
    return;
  FTabHeight = std::max(height, 0);
  Changed("TabHeight");
  Realign();
}

void TPageControl::SetTabWidth(int width) {
  if (width == FTabWidth)
    return;
  FTabWidth = std::max(width, 0);
  Changed("TabWidth");
}

void TPageControl::SetOwnerDraw(bool ownerDraw) {
  if (ownerDraw == FOwnerDraw)
    return;
  FOwnerDraw = ownerDraw;
  Changed("OwnerDraw");
}

void TPageControl::SetHotTrack(bool hotTrack) {
  if (hotTrack == FHotTrack)
    return;
  FHotTrack = hotTrack;
  Changed("HotTrack");
}

void TPageControl::SetStyle(TTabStyle style) {
  if (style == FStyle)
    return;
  FStyle = style;
  Changed("Style");
}

void TPageControl::SetTabPosition(TTabPosition position) {
  if (position == FTabPosition)
    return;
  FTabPosition = position;
  Changed("TabPosition");
}

void TPageControl::SetMultiLine(bool multiLine) {
  if (multiLine == FMultiLine)
    return;
  FMultiLine = multiLine;
  Changed("MultiLine");
}

TRect TPageControl::TabRect(int tabIndex) const {
  const int height = GetTabHeight();
  int left = 2;
  int index = 0;
  for (const TTabSheet* page : FPages) {
    if (!page->FTabVisible)
      continue;
    const int width =
        FTabWidth > 0 ? FTabWidth
                      : GetApplication().GetBackend().TextWidth(GetFont(), page->GetCaption()) + 12;
    if (index == tabIndex)
      return Bounds(left, 2, width, height);
    left += width;
    ++index;
  }
  return {};
}

int TPageControl::IndexOfTabAt(int x, int y) const {
  for (int i = 0; PageOfTab(i) != nullptr; ++i)
    if (TabRect(i).Contains({x, y}))
      return i;
  return -1;
}

TRect TPageControl::GetDisplayRect() const {
  const TRect client = GetClientRect();
  const int top = GetTabHeight() + 6;
  return Rect(4, top, std::max(4, client.Right - 4), std::max(top, client.Bottom - 4));
}

void TPageControl::AlignControls() {
  const TRect r = GetDisplayRect();
  for (TTabSheet* page : FPages)
    page->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  TWinControl::AlignControls();
}

void TPageControl::Change() {
  if (OnChange)
    OnChange(this);
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging)
    OnChanging(this, allow);
  return allow;
}

void TPageControl::ChangeByUser(TTabSheet* page) {
  if (!CanChange())
    return;
  ChangeActivePage(page);
  Change();
}

void TPageControl::DrawTab(int tabIndex, const TRect& rect, bool active) {
  if (OnDrawTab)
    OnDrawTab(this, tabIndex, rect, active);
}

void TPageControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    TTabSheet* page = PageOfTab(IndexOfTabAt(x, y));
    if (page != nullptr && page != FActivePage)
      ChangeByUser(page);
  }
  TWinControl::MouseDown(button, shift, x, y);
}

void TPageControl::KeyDownDefault(Word key, TShiftState shift) {
  if (key == VK_TAB && shift.Contains(ssCtrl))
    SelectNextPage(!shift.Contains(ssShift));
  else if (key == VK_RIGHT && shift.Empty())
    SelectNextPage(true);
  else if (key == VK_LEFT && shift.Empty())
    SelectNextPage(false);
}

// ---------------------------------------------------------------------------------------------
// TDateTimePicker

const TClassInfo& TDateTimePicker::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDateTimePicker>("TDateTimePicker")
          .Property("Date", &TDateTimePicker::GetDate, &TDateTimePicker::SetDate)
          .Property("Time", &TDateTimePicker::GetTime, &TDateTimePicker::SetTime)
          .Property("DateTime", &TDateTimePicker::GetDateTime, &TDateTimePicker::SetDateTime)
          .Property("Kind", &TDateTimePicker::GetKind, &TDateTimePicker::SetKind)
          .Property("DateFormat", &TDateTimePicker::GetDateFormat, &TDateTimePicker::SetDateFormat)
          .Property("ShowCheckbox", &TDateTimePicker::GetShowCheckbox,
                    &TDateTimePicker::SetShowCheckbox)
          .Property("Checked", &TDateTimePicker::GetChecked, &TDateTimePicker::SetChecked)
          .Creatable()
          .Build();
  return info;
}

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 186, 23);
  SetValue(Now());
}

std::string TDateTimePicker::FormatValue(TDateTime value) const {
  if (FKind == dtkTime)
    return TimeToStr(value);
  if (FDateFormat == dfLong)
    return FormatDateTime(FormatSettings().LongDateFormat, value);
  return DateToStr(value);
}

void TDateTimePicker::SetValue(TDateTime value) {
  const bool changed = value != FValue;
  FValue = value;
  SetTextQuietly(FormatValue(value));
  if (changed)
    Changed("DateTime");
}

void TDateTimePicker::SetDate(TDateTime date) {
  SetValue(TDateTime(DateOf(date).Value + TimeOf(FValue).Value));
}

void TDateTimePicker::SetTime(TDateTime time) {
  SetValue(TDateTime(DateOf(FValue).Value + TimeOf(time).Value));
}

void TDateTimePicker::SetDateTime(TDateTime value) {
  SetValue(value);
}

void TDateTimePicker::SetKind(TDateTimeKind kind) {
  if (kind == FKind)
    return;
  FKind = kind;
  Changed("Kind");
  SetTextQuietly(FormatValue(FValue));
}

void TDateTimePicker::SetDateFormat(TDTDateFormat format) {
  if (format == FDateFormat)
    return;
  FDateFormat = format;
  Changed("DateFormat");
  SetTextQuietly(FormatValue(FValue));
}

void TDateTimePicker::SetShowCheckbox(bool show) {
  if (show == FShowCheckbox)
    return;
  FShowCheckbox = show;
  Changed("ShowCheckbox");
}

void TDateTimePicker::SetChecked(bool checked) {
  if (checked == FChecked)
    return;
  FChecked = checked;
  Changed("Checked");
}

void TDateTimePicker::TextChanged() {
  TDateTime parsed;
  const bool ok =
      FKind == dtkTime ? TryStrToTime(GetText(), parsed) : TryStrToDate(GetText(), parsed);
  if (!ok) {
    const std::string text = GetText();
    SetTextQuietly(FormatValue(FValue));
    throw EConvertError("\"" + text + "\" is not a valid " + (FKind == dtkTime ? "time" : "date"));
  }
  if (FKind == dtkTime)
    SetTime(parsed);
  else
    SetDate(parsed);
}

void TDateTimePicker::ChangeByUser(TDateTime value) {
  if (value == FValue)
    return;
  SetValue(value);
  Change();
}

void TDateTimePicker::Change() {
  if (OnChange)
    OnChange(this);
}
