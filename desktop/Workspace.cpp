#include "app/PageControlEx.h"
#include "desktop/Presenters.h"
#include "desktop/QtBackend.h"
#include "desktop/QtConvert.h"

#include <QStyleOption>
#include <QTabBar>

// The workspace's tabs are painted as the page control describes them: its drawing object
// decides the order, the theme elements, the hot tab, the captions and the close buttons in
// their normal and pressed states; this file only turns each step into pixels.

namespace {

QRect QtRect(const TRect& r) {
  return QRect(r.Left, r.Top, r.Width(), r.Height());
}

void PaintTabItem(QPainter& p, QWidget& w, const TRect& rect, QStyle::State state) {
  QStyleOptionTab option;
  option.initFrom(&w);
  option.state &= ~QStyle::State_MouseOver;
  option.state |= state;
  option.rect = QtRect(rect);
  option.shape = QTabBar::RoundedNorth;
  w.style()->drawControl(QStyle::CE_TabBarTabShape, &option, &p, &w);
}

void PaintPane(QPainter& p, QWidget& w, const TRect& rect) {
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(&w);
  frame.rect = QtRect(rect);
  w.style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &p, &w);
}

// A 14 x 14 close glyph: a cross in a square that sinks and darkens while pressed.
void PaintCloseButton(QPainter& p, const TRect& rect, bool pressed) {
  QRectF box = QtRect(rect);
  box.adjust(0.5, 0.5, -0.5, -0.5);
  if (pressed)
    box.translate(1, 1);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(pressed ? QColor(0x8E, 0x1B, 0x12) : QColor(0xB4, 0xB4, 0xB4));
  p.setBrush(pressed ? QColor(0xC4, 0x2B, 0x1C) : QColor(0xF4, 0xF4, 0xF4));
  p.drawRoundedRect(box, 2, 2);
  p.setPen(QPen(pressed ? Qt::white : QColor(0x40, 0x40, 0x40), 1.5));
  const QRectF cross = box.adjusted(4, 4, -4, -4);
  p.drawLine(cross.topLeft(), cross.bottomRight());
  p.drawLine(cross.topRight(), cross.bottomLeft());
  p.restore();
}

void PaintWorkspaceTabs(QPainter& p, TPageControl& control) {
  auto& pages = static_cast<TPageControlEx&>(control);
  auto& w = static_cast<QWidget&>(*p.device());
  const bool themed = pages.GetHelper().ThemedDrawing();
  pages.Repaint();
  QRegion clip(w.rect());
  const QColor background =
      control.GetParent() != nullptr ? QtColor(control.GetParent()->GetColor()) : QColor(Qt::white);
  if (!themed)
    PaintStandardTabs(p, w, control);
  for (const TTabPaintStep& step : pages.LastPaint()) {
    switch (step.Kind) {
    case TTabPaintKind::EraseOutsidePage:
      p.fillRect(w.rect(), background);
      break;
    case TTabPaintKind::TabItemNormal:
      PaintTabItem(p, w, step.Rect, QStyle::State_None);
      break;
    case TTabPaintKind::TabItemHot:
      PaintTabItem(p, w, step.Rect, QStyle::State_MouseOver);
      break;
    case TTabPaintKind::TabItemSelected:
      PaintTabItem(p, w, step.Rect, QStyle::State_Selected);
      break;
    case TTabPaintKind::Pane:
      PaintPane(p, w, step.Rect);
      break;
    case TTabPaintKind::ExcludePixel:
      clip -= QtRect(step.Rect);
      p.setClipRegion(clip);
      break;
    case TTabPaintKind::FillTab:
      // Themed tabs are filled by their theme element; the brush is clear.
      if (!themed)
        p.fillRect(QtRect(step.Rect), QtColor(control.GetColor()));
      break;
    case TTabPaintKind::Caption: {
      p.setFont(QtFont(control.GetFont()));
      p.setPen(QtColor(control.GetFont().GetColor()));
      const QFontMetrics metrics(p.font());
      p.drawText(QPoint(step.Rect.Left, step.Rect.Top + metrics.ascent()),
                 QString::fromStdString(step.Text));
      break;
    }
    case TTabPaintKind::CloseButton:
      PaintCloseButton(p, step.Rect, step.Pressed);
      break;
    case TTabPaintKind::FocusRect: {
      QStyleOptionFocusRect option;
      option.initFrom(&w);
      option.rect = QtRect(step.Rect);
      option.backgroundColor = Qt::white;
      w.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, &w);
      break;
    }
    }
  }
}

} // namespace

void RegisterWorkspacePainting() {
  static const bool registered = [] {
    RegisterTabPainter(TPageControlEx::StaticClass(), PaintWorkspaceTabs);
    return true;
  }();
  (void)registered;
}
