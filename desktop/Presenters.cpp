#include "desktop/Presenters.h"

#include "desktop/QtBackend.h"

#include "desktop/QtConvert.h"
#include "runtime/DateTime.h"
#include "ui/Buttons.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOption>
#include <QVBoxLayout>

#include <cmath>

namespace {

// ---------------------------------------------------------------------------------------------
// Widgets that the presenters paint themselves.

class TPaintWidget : public QWidget {
public:
  using QWidget::QWidget;
  std::function<void(QPainter&)> OnPaint;

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (OnPaint)
      OnPaint(painter);
  }
  void enterEvent(QEnterEvent*) override { update(); }
  void leaveEvent(QEvent*) override { update(); }
};

QString Text(const TControl& control) {
  return QString::fromStdString(control.GetText());
}

Qt::Alignment HorizontalOf(TAlignment alignment) {
  switch (alignment) {
  case taRightJustify:
    return Qt::AlignRight;
  case taCenter:
    return Qt::AlignHCenter;
  case taLeftJustify:
    break;
  }
  return Qt::AlignLeft;
}

Qt::Alignment VerticalOf(TTextLayout layout) {
  switch (layout) {
  case tlCenter:
    return Qt::AlignVCenter;
  case tlBottom:
    return Qt::AlignBottom;
  case tlTop:
    break;
  }
  return Qt::AlignTop;
}

QRect QtRect(const TRect& r) {
  return QRect(r.Left, r.Top, r.Width(), r.Height());
}

// The text and glyph colours of a control that may be disabled.
QColor TextColor(const TControl& control) {
  return control.GetEnabled() ? QtColor(control.GetFont().GetColor()) : QtColor(clGrayText);
}

// A plain presenter: a widget that fills itself with the control's colour when asked to.
class TPlainPresenter : public TQtPresenter {
public:
  TPlainPresenter(TQtBackend& backend, TControl& control, bool fill)
      : TQtPresenter(backend, control, new TPaintWidget), FFill(fill) {
    Paint().OnPaint = [this](QPainter& p) {
      if (FFill)
        p.fillRect(Widget()->rect(), QtColor(Control().GetColor()));
    };
  }

protected:
  TPaintWidget& Paint() const { return static_cast<TPaintWidget&>(*Widget()); }
  void Sync(const std::string& name) override {
    TQtPresenter::Sync(name);
    Widget()->update();
  }

private:
  bool FFill;
};

// ---------------------------------------------------------------------------------------------
// Forms

class TFormPresenter : public TQtPresenter {
public:
  TFormPresenter(TQtBackend& backend, TCustomForm& form)
      : TQtPresenter(backend, form, new QWidget), FForm(form) {
    if (form.GetParent() != nullptr) {
      FClient = Widget();
    } else {
      auto* layout = new QVBoxLayout(Widget());
      layout->setContentsMargins(0, 0, 0, 0);
      layout->setSpacing(0);
      FMenuBar = new QMenuBar;
      FMenuBar->setNativeMenuBar(false);
      layout->addWidget(FMenuBar);
      FClient = new QWidget;
      layout->addWidget(FClient, 1);
      Adopt(FClient);
    }
    FClient->setAutoFillBackground(true);
  }

  QWidget* ChildHost() const override { return FClient; }

  QPoint ToControl(const QWidget* receiver, QPoint point) const override {
    return FClient->mapFromGlobal(receiver->mapToGlobal(point));
  }

  void Sync(const std::string& name) override {
    TQtPresenter::Sync(name);
    QWidget* window = Widget();
    const bool isWindow = FForm.GetParent() == nullptr;
    if (Reads(name, "Color")) {
      QPalette palette = FClient->palette();
      palette.setColor(QPalette::Window, QtColor(FForm.GetColor()));
      FClient->setPalette(palette);
    }
    if (!isWindow)
      return;
    if (Reads(name, "Text"))
      window->setWindowTitle(Text(FForm));
    if (Reads(name, "BorderStyle")) {
      Qt::WindowFlags flags = Qt::Window;
      switch (FForm.GetBorderStyle()) {
      case bsNone:
        flags |= Qt::FramelessWindowHint;
        break;
      case bsDialog:
      case bsToolWindow:
        flags = Qt::Dialog;
        break;
      default:
        break;
      }
      const bool shown = window->isVisible();
      window->setWindowFlags(flags);
      if (shown)
        window->show();
    }
    if (Reads(name, "Bounds") || Reads(name, "Menu")) {
      const int menuHeight = FMenuBar->isVisible() ? FMenuBar->sizeHint().height() : 0;
      const QSize size(FForm.GetClientWidth(), FForm.GetClientHeight() + menuHeight);
      const bool sizeable =
          FForm.GetBorderStyle() == bsSizeable || FForm.GetBorderStyle() == bsSizeToolWin;
      if (!sizeable)
        window->setFixedSize(size);
      else if (window->size() != size && !window->isMaximized())
        window->resize(size);
    }
    if (Reads(name, "Menu"))
      BuildMenuBar();
    if (name == "WindowState" && window->isVisible()) {
      if (FForm.GetWindowState() == wsMaximized)
        window->showMaximized();
      else if (FForm.GetWindowState() == wsMinimized)
        window->showMinimized();
      else
        window->showNormal();
    }
  }

private:
  TCustomForm& FForm;
  QWidget* FClient = nullptr;
  QMenuBar* FMenuBar = nullptr;

  void BuildMenuBar() {
    FMenuBar->clear();
    TMainMenu* menu = FForm.GetMenu();
    FMenuBar->setVisible(menu != nullptr);
    if (menu == nullptr)
      return;
    TQtBackend& backend = Backend();
    const auto chosen = [&backend](TMenuItem& item) {
      detail::TFreeWatch watch(&item);
      backend.GetApplication().RunUserAction([&] { item.Click(); });
      backend.RefreshAll();
    };
    TMenuItem& items = menu->GetItems();
    for (int i = 0; i < items.Count(); ++i) {
      TMenuItem* item = items.Items(i);
      if (!item->GetVisible())
        continue;
      if (item->Count() == 0) {
        QAction* action = FMenuBar->addAction(PlainCaption(item->GetCaption()));
        action->setEnabled(item->GetEnabled());
        QObject::connect(action, &QAction::triggered, [item, chosen] { chosen(*item); });
        continue;
      }
      QMenu* sub = FMenuBar->addMenu(PlainCaption(item->GetCaption()));
      sub->setEnabled(item->GetEnabled());
      FillMenu(*sub, *item, chosen);
    }
  }
};

// ---------------------------------------------------------------------------------------------
// Labels, edits and memos

class TLabelPresenter : public TQtPresenter {
public:
  TLabelPresenter(TQtBackend& backend, TLabel& label)
      : TQtPresenter(backend, label, new QLabel), FLabel(label) {
    Widget()->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    LabelWidget().setTextFormat(Qt::PlainText);
  }

  void Sync(const std::string& name) override {
    TQtPresenter::Sync(name);
    QLabel& label = LabelWidget();
    if (Reads(name, "Text"))
      label.setText(PlainCaption(FLabel.GetText()));
    if (Reads(name, "WordWrap"))
      label.setWordWrap(FLabel.GetWordWrap());
    if (Reads(name, "Alignment") || Reads(name, "Layout"))
      label.setAlignment(HorizontalOf(FLabel.GetAlignment()) | VerticalOf(FLabel.GetLayout()));
    if (Reads(name, "Transparent") || Reads(name, "Color"))
      label.setAutoFillBackground(!FLabel.GetTransparent());
  }

private:
  TLabel& FLabel;
  QLabel& LabelWidget() const { return static_cast<QLabel&>(*Widget()); }
};

class TEditPresenter : public TQtPresenter {
public:
  TEditPresenter(TQtBackend& backend, TCustomEdit& edit)
      : TQtPresenter(backend, edit, new QLineEdit), FEdit(edit) {}

  void Sync(const std::string& name) override {
    TQtPresenter::Sync(name);
    QLineEdit& line = Line();
    if (Reads(name, "Text") && line.text().toStdString() != FEdit.GetText())
      line.setText(QString::fromStdString(FEdit.GetText()));
    if (Reads(name, "PasswordChar"))
      line.setEchoMode(FEdit.GetPasswordChar() != '\0' ? QLineEdit::Password : QLineEdit::Normal);
    if (Reads(name, "ReadOnly"))
      line.setReadOnly(FEdit.GetReadOnly());
    if (Reads(name, "TextHint"))
      line.setPlaceholderText(QString::fromStdString(FEdit.GetTextHint()));
    if (Reads(name, "Color")) {
      QPalette palette = line.palette();
      palette.setColor(QPalette::Base, QtColor(FEdit.GetColor()));
      line.setPalette(palette);
    }
    Refresh();
  }

  void Refresh() override {
    QLineEdit& line = Line();
    if (FEdit.GetSelLength() > 0)
      line.setSelection(FEdit.GetSelStart(), FEdit.GetSelLength());
    else
      line.setCursorPosition(FEdit.GetSelStart());
  }

  void UserClick(int x, int y) override {
    // A click puts the caret where it points.
    if (FEdit.Focused())
      FEdit.SetSelStart(Line().cursorPositionAt(QPoint(x, y)));
    TQtPresenter::UserClick(x, y);
  }

private:
  TCustomEdit& FEdit;
  QLineEdit& Line() const { return static_cast<QLineEdit&>(*Widget()); }
};

class TMemoPresenter : public TQtPresenter {
public:
  TMemoPresenter(TQtBackend& backend, TCustomMemo& memo)
      : TQtPresenter(backend, memo, new QPlainTextEdit), FMemo(memo) {
    Adopt(Editor().viewport());
  }

  void Sync(const std::string& name) override {
    TQtPresenter::Sync(name);
    QPlainTextEdit& editor = Editor();
    if (Reads(name, "Text")) {
      QString text = Text(FMemo);
      text.remove('\r');
      if (editor.toPlainText() != text)
        editor.setPlainText(text);
    }
    if (Reads(name, "ReadOnly"))
      editor.setReadOnly(FMemo.GetReadOnly());
    if (Reads(name, "WordWrap"))
      editor.setLineWrapMode(FMemo.GetWordWrap() ? QPlainTextEdit::WidgetWidth
                                                 : QPlainTextEdit::NoWrap);
    if (Reads(name, "ScrollBars")) {
      const TScrollStyle bars = FMemo.GetScrollBars();
      const bool vertical = bars == TScrollStyle::ssVertical || bars == TScrollStyle::ssBoth;
      const bool horizontal = bars == TScrollStyle::ssHorizontal || bars == TScrollStyle::ssBoth;
      editor.setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
      editor.setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn
                                                     : Qt::ScrollBarAlwaysOff);
    }
    if (Reads(name, "Color")) {
      QPalette palette = editor.palette();
      palette.setColor(QPalette::Base, QtColor(FMemo.GetColor()));
      editor.setPalette(palette);
    }
    Refresh();
  }

  // The model counts a line break as two characters; the editor as one.
  void Refresh() override {
    const QString text = Text(FMemo);
    const auto position = [&](int index) {
      return index - static_cast<int>(text.left(index).count('\r'));
    };
    QTextCursor cursor = Editor().textCursor();
    cursor.setPosition(position(FMemo.GetSelStart()));
    if (FMemo.GetSelLength() > 0)
      cursor.setPosition(position(FMemo.GetSelStart() + FMemo.GetSelLength()),
                         QTextCursor::KeepAnchor);
    Editor().setTextCursor(cursor);
  }

private:
  TCustomMemo& FMemo;
  QPlainTextEdit& Editor() const { return static_cast<QPlainTextEdit&>(*Widget()); }
};

// ---------------------------------------------------------------------------------------------
// Buttons

class TButtonPresenter : public TQtPresenter {
public:
  TButtonPresenter(TQtBackend& backend, TButton& button)
      : TQtPresenter(backend, button, new QPushButton), FButton(button) {}

  void Sync(const std::string& name) override {
    TQtPresenter::Sync(name);
    auto& push = static_cast<QPushButton&>(*Widget());
    if (Reads(name, "Text"))
      push.setText(PlainCaption(FButton.GetText()));
    if (Reads(name, "Default"))
      push.setDefault(FButton.GetDefault());
    if (FButton.Is<TBitBtn>() && (Reads(name, "Glyph") || Reads(name, "NumGlyphs"))) {
      const auto& bit = static_cast<const TBitBtn&>(FButton);
      const QPixmap glyph = QtGlyph(bit.GetGlyph(), bit.GetNumGlyphs());
      push.setIcon(QIcon(glyph));
      push.setIconSize(glyph.size());
    }
  }

private:
  TButton& FButton;
};

// A tool button drawn as the platform draws it: the glyph Margin pixels from the left (centred
// with the caption when Margin is -1), the caption Spacing pixels after it.
class TSpeedButtonPresenter : public TPlainPresenter {
public:
  TSpeedButtonPresenter(TQtBackend& backend, TSpeedButton& button)
      : TPlainPresenter(backend, button, false), FButton(button) {
    Paint().OnPaint = [this](QPainter& p) { PaintButton(p); };
  }

  void Sync(const std::string& name) override {
    if (Reads(name, "Glyph") || Reads(name, "NumGlyphs"))
      FGlyph = QtGlyph(FButton.GetGlyph(), FButton.GetNumGlyphs());
    TPlainPresenter::Sync(name);
  }

private:
  TSpeedButton& FButton;
  QPixmap FGlyph;

  void PaintButton(QPainter& p) {
    QWidget& w = *Widget();
    const QRect r = w.rect();
    const bool hot = w.underMouse() && FButton.GetEnabled();
    const bool down = FButton.GetDown() || (hot && (QApplication::mouseButtons() & Qt::LeftButton));
    if (!FButton.GetFlat() || hot || down) {
      QStyleOptionButton option;
      option.initFrom(&w);
      option.rect = r;
      option.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
      if (FButton.GetFlat())
        p.fillRect(r.adjusted(0, 0, -1, -1),
                   down ? QColor(0xCC, 0xE4, 0xF7) : QColor(0xE5, 0xF1, 0xFB));
      else
        w.style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &p, &w);
      if (FButton.GetFlat()) {
        p.setPen(QColor(0x99, 0xC9, 0xEF));
        p.drawRect(r.adjusted(0, 0, -1, -1));
      }
    }
    const QString caption = PlainCaption(FButton.GetText());
    const QFontMetrics metrics(w.font());
    const int textWidth = caption.isEmpty() ? 0 : metrics.horizontalAdvance(caption);
    const int glyphWidth = FGlyph.isNull() ? 0 : FGlyph.width();
    const int spacing = glyphWidth > 0 && textWidth > 0 ? FButton.GetSpacing() : 0;
    const int margin = FButton.GetMargin();
    int x = margin >= 0 ? margin : (r.width() - glyphWidth - spacing - textWidth) / 2;
    const int shift = down ? 1 : 0;
    if (glyphWidth > 0) {
      QPixmap glyph = FGlyph;
      if (!FButton.GetEnabled()) {
        QStyleOption option;
        option.initFrom(&w);
        glyph = w.style()->generatedIconPixmap(QIcon::Disabled, FGlyph, &option);
      }
      p.drawPixmap(x + shift, (r.height() - FGlyph.height()) / 2 + shift, glyph);
      x += glyphWidth + spacing;
    }
    if (textWidth > 0) {
      p.setPen(TextColor(FButton));
      p.setFont(w.font());
      p.drawText(QRect(x + shift, shift, r.width() - x, r.height()),
                 Qt::AlignLeft | Qt::AlignVCenter, caption);
    }
  }
};

// ---------------------------------------------------------------------------------------------
// Check boxes, radio buttons, combo boxes

class TCheckBoxPresenter : public TQtPresenter {
public:
  TCheckBoxPresenter(TQtBackend& backend, TCustomCheckBox& box)
      : TQtPresenter(backend, box, new QCheckBox), FBox(box) {
    static_cast<QCheckBox&>(*Widget()).setTristate(true);
  }

  void Sync(const std::string& name) override {
    TQtPresenter::Sync(name);
    auto& check = static_cast<QCheckBox&>(*Widget());
    if (Reads(name, "Text"))
      check.setText(PlainCaption(FBox.GetText()));
    if (Reads(name, "Checked"))
      check.setCheckState(FBox.GetState() == cbChecked  ? Qt::Checked
                          : FBox.GetState() == cbGrayed ? Qt::PartiallyChecked
                                                        : Qt::Unchecked);
    if (Reads(name, "Alignment"))
      check.setLayoutDirection(FBox.GetAlignment() == taLeftJustify ? Qt::RightToLeft
                                                                    : Qt::LeftToRight);
  }

private:
  TCustomCheckBox& FBox;
};

class TRadioButtonPresenter : public TQtPresenter {
public:
  TRadioButtonPresenter(TQtBackend& backend, TRadioButton& button)
      : TQtPresenter(backend, button, new QRadioButton), FButton(button) {
    static_cast<QRadioButton&>(*Widget()).setAutoExclusive(false);
  }

  void Sync(const std::string& name) override {
    TQtPresenter::Sync(name);
    auto& radio = static_cast<QRadioButton&>(*Widget());
    if (Reads(name, "Text"))
      radio.setText(PlainCaption(FButton.GetText()));
    if (Reads(name, "Checked"))
      radio.setChecked(FButton.GetChecked());
    if (Reads(name, "Alignment"))
      radio.setLayoutDirection(FButton.GetAlignment() == taLeftJustify ? Qt::RightToLeft
                                                                       : Qt::LeftToRight);
  }

private:
  TRadioButton& FButton;
};

class TComboBoxPresenter : public TQtPresenter {
public:
  TComboBoxPresenter(TQtBackend& backend, TCustomComboBox& box)
      : TQtPresenter(backend, box, new QComboBox), FBox(box) {
    QObject::connect(&Combo(), &QComboBox::activated, Widget(), [this](int index) {
      TQtBackend& b = Backend();
      b.GetApplication().RunUserAction([&] { FBox.SelectItem(index); });
      b.RefreshAll();
    });
  }

  void Sync(const std::string& name) override {
    TQtPresenter::Sync(name);
    QComboBox& combo = Combo();
    const QSignalBlocker blocker(&combo);
    if (Reads(name, "Style")) {
      const bool editable = FBox.GetStyle() == csDropDown || FBox.GetStyle() == csSimple;
      combo.setEditable(editable);
      if (editable)
        Adopt(combo.lineEdit());
    }
    if (Reads(name, "Items")) {
      combo.clear();
      const TStrings& items = FBox.GetItems();
      for (int i = 0; i < items.Count(); ++i)
        combo.addItem(QString::fromStdString(items[i]));
    }
    if (Reads(name, "Items") || Reads(name, "ItemIndex") || Reads(name, "Text")) {
      combo.setCurrentIndex(FBox.GetItemIndex());
      if (combo.isEditable() && combo.lineEdit()->text().toStdString() != FBox.GetText())
        combo.lineEdit()->setText(Text(FBox));
    }
    if (Reads(name, "TextHint") && combo.isEditable())
      combo.lineEdit()->setPlaceholderText(QString::fromStdString(FBox.GetTextHint()));
    if (name == "DroppedDown") {
      if (FBox.GetDroppedDown())
        combo.showPopup();
      else
        combo.hidePopup();
    }
  }

  // The list drops down as Qt drops it; the choice comes back through `activated`.
  bool PassesMouseToWidget() const override { return true; }

private:
  TCustomComboBox& FBox;
  QComboBox& Combo() const { return static_cast<QComboBox&>(*Widget()); }
};

// ---------------------------------------------------------------------------------------------
// Containers: panels, group boxes, radio groups, pictures

void PaintBevel(QPainter& p, QRect r, TBevelCut cut, int width) {
  if (cut == bvNone || cut == bvSpace)
    return;
  const QColor light(0xFF, 0xFF, 0xFF);
  const QColor dark(0xA0, 0xA0, 0xA0);
  const QColor topLeft = cut == bvRaised ? light : dark;
  const QColor bottomRight = cut == bvRaised ? dark : light;
  for (int i = 0; i < width; ++i) {
    p.setPen(topLeft);
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
    p.setPen(bottomRight);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    r.adjust(1, 1, -1, -1);
  }
}

class TPanelPresenter : public TPlainPresenter {
public:
  TPanelPresenter(TQtBackend& backend, TCustomPanel& panel)
      : TPlainPresenter(backend, panel, true), FPanel(panel) {
    Paint().OnPaint = [this](QPainter& p) { PaintPanel(p); };
  }

private:
  TCustomPanel& FPanel;

  void PaintPanel(QPainter& p) {
    QRect r = Widget()->rect();
    p.fillRect(r, QtColor(FPanel.GetColor()));
    if (FPanel.GetBorderStyle() != bsNone) {
      p.setPen(QColor(0x64, 0x64, 0x64));
      p.drawRect(r.adjusted(0, 0, -1, -1));
      r.adjust(1, 1, -1, -1);
    }
    PaintBevel(p, r, FPanel.GetBevelOuter(), FPanel.GetBevelWidth());
    if (FPanel.GetBevelOuter() != bvNone)
      r.adjust(FPanel.GetBevelWidth(), FPanel.GetBevelWidth(), -FPanel.GetBevelWidth(),
               -FPanel.GetBevelWidth());
    r.adjust(FPanel.GetBorderWidth(), FPanel.GetBorderWidth(), -FPanel.GetBorderWidth(),
             -FPanel.GetBorderWidth());
    PaintBevel(p, r, FPanel.GetBevelInner(), FPanel.GetBevelWidth());
    if (FPanel.GetShowCaption() && !FPanel.GetText().empty()) {
      p.setPen(TextColor(FPanel));
      p.setFont(Widget()->font());
      p.drawText(r.adjusted(2, 0, -2, 0), HorizontalOf(FPanel.GetAlignment()) | Qt::AlignVCenter,
                 PlainCaption(FPanel.GetText()));
    }
  }
};

// A frame with its caption at the top left, its area as the model lays children out in it.
void PaintGroupFrame(QPainter& p, const QWidget& w, const TControl& control) {
  p.fillRect(w.rect(), QtColor(control.GetColor()));
  const QFontMetrics metrics(w.font());
  const QString caption = PlainCaption(control.GetText());
  const int middle = metrics.height() / 2;
  p.setPen(QColor(0xDC, 0xDC, 0xDC));
  p.drawRoundedRect(QRectF(w.rect()).adjusted(0.5, middle + 0.5, -0.5, -0.5), 3, 3);
  if (caption.isEmpty())
    return;
  const QRect text(8, 0, metrics.horizontalAdvance(caption) + 4, metrics.height());
  p.fillRect(text, QtColor(control.GetColor()));
  p.setPen(TextColor(control));
  p.setFont(w.font());
  p.drawText(text, Qt::AlignCenter, caption);
}

class TGroupBoxPresenter : public TPlainPresenter {
public:
  TGroupBoxPresenter(TQtBackend& backend, TCustomGroupBox& box)
      : TPlainPresenter(backend, box, true) {
    Paint().OnPaint = [this](QPainter& p) { PaintGroupFrame(p, *Widget(), Control()); };
  }
};

class TRadioGroupPresenter : public TPlainPresenter {
public:
  TRadioGroupPresenter(TQtBackend& backend, TCustomRadioGroup& group)
      : TPlainPresenter(backend, group, true), FGroup(group) {
    Paint().OnPaint = [this](QPainter& p) { PaintGroupFrame(p, *Widget(), Control()); };
  }

  void Sync(const std::string& name) override {
    TPlainPresenter::Sync(name);
    if (Reads(name, "Items")) {
      for (QRadioButton* button : FButtons)
        delete button;
      FButtons.clear();
      const TStrings& items = FGroup.GetItems();
      for (int i = 0; i < items.Count(); ++i) {
        auto* button = new QRadioButton(QString::fromStdString(items[i]), Widget());
        button->setAutoExclusive(false);
        Adopt(button);
        button->show();
        FButtons.push_back(button);
      }
    }
    if (Reads(name, "Items") || Reads(name, "ItemIndex"))
      for (size_t i = 0; i < FButtons.size(); ++i)
        FButtons[i]->setChecked(static_cast<int>(i) == FGroup.GetItemIndex());
    if (Reads(name, "Items") || Reads(name, "Columns") || Reads(name, "Bounds") ||
        Reads(name, "Font"))
      Arrange();
  }

  void UserClick(int x, int y) override {
    for (size_t i = 0; i < FButtons.size(); ++i)
      if (FButtons[i]->geometry().contains(x, y)) {
        FGroup.GetApplication().RunUserAction([&] { FGroup.SelectItem(static_cast<int>(i)); });
        return;
      }
  }

private:
  TCustomRadioGroup& FGroup;
  std::vector<QRadioButton*> FButtons;

  // The items fill the display area in columns, top to bottom, then left to right.
  void Arrange() {
    if (FButtons.empty())
      return;
    const TRect area = FGroup.GetDisplayRect();
    const int columns = std::max(1, FGroup.GetColumns());
    const int count = static_cast<int>(FButtons.size());
    const int rows = (count + columns - 1) / columns;
    const int width = (area.Width() - 8) / columns;
    const int height = std::max(1, area.Height() / rows);
    for (int i = 0; i < count; ++i) {
      FButtons[static_cast<size_t>(i)]->setFont(Widget()->font());
      FButtons[static_cast<size_t>(i)]->setGeometry(area.Left + 8 + (i / rows) * width,
                                                    area.Top + (i % rows) * height, width, height);
    }
  }
};

class TImagePresenter : public TPlainPresenter {
public:
  TImagePresenter(TQtBackend& backend, TImage& image)
      : TPlainPresenter(backend, image, false), FImage(image) {
    Paint().OnPaint = [this](QPainter& p) { PaintImage(p); };
  }

  void Sync(const std::string& name) override {
    if (Reads(name, "Picture"))
      FPixmap = QPixmap::fromImage(QtImage(FImage.GetPicture()));
    TPlainPresenter::Sync(name);
  }

private:
  TImage& FImage;
  QPixmap FPixmap;

  void PaintImage(QPainter& p) {
    if (FPixmap.isNull())
      return;
    const QRect area = Widget()->rect();
    QSize size = FPixmap.size();
    if (FImage.GetStretch()) {
      size = area.size();
      if (FImage.GetProportional())
        size = FPixmap.size().scaled(area.size(), Qt::KeepAspectRatio);
    } else if (FImage.GetProportional() &&
               (size.width() > area.width() || size.height() > area.height())) {
      size = FPixmap.size().scaled(area.size(), Qt::KeepAspectRatio);
    }
    QPoint at(0, 0);
    if (FImage.GetCenter())
      at = QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(QRect(at, size), FPixmap);
  }
};

// ---------------------------------------------------------------------------------------------
// Page controls and date pickers

class TPageControlPresenter : public TPlainPresenter {
public:
  TPageControlPresenter(TQtBackend& backend, TPageControl& pages)
      : TPlainPresenter(backend, pages, false), FPages(pages) {
    Paint().OnPaint = [this](QPainter& p) { PaintTabs(p); };
  }

  // Owner-drawn tabs change with the mouse without telling: they are painted again after input.
  void Refresh() override { Widget()->update(); }

private:
  TPageControl& FPages;

  void PaintTabs(QPainter& p) {
    if (FPages.GetOwnerDraw())
      if (const TTabPainter* painter = FindTabPainter(FPages.ClassType())) {
        (*painter)(p, FPages);
        return;
      }
    PaintStandardTabs(p, *Widget(), FPages);
    if (FPages.GetOwnerDraw())
      for (int i = 0; FPages.PageOfTab(i) != nullptr; ++i)
        FPages.GetApplication().RunUserAction(
            [&] { FPages.DrawTab(i, FPages.TabRect(i), i == FPages.GetTabIndex()); });
  }
};

TDateTime ModelDateTime(const QDateTime& value) {
  const QDate d = value.date();
  const QTime t = value.time();
  return TDateTime(EncodeDate(d.year(), d.month(), d.day()).Value +
                   EncodeTime(t.hour(), t.minute(), t.second(), t.msec()).Value);
}

QDateTime QtDateTime(TDateTime value) {
  const TDateParts d = DecodeDate(value);
  const TTimeParts t = DecodeTime(value);
  return QDateTime(QDate(d.Year, d.Month, d.Day), QTime(t.Hour, t.Minute, t.Second, t.MilliSecond));
}

class TDateTimePickerPresenter : public TQtPresenter {
public:
  TDateTimePickerPresenter(TQtBackend& backend, TDateTimePicker& picker)
      : TQtPresenter(backend, picker, new QDateTimeEdit), FPicker(picker) {
    if (auto* line = Widget()->findChild<QLineEdit*>())
      Adopt(line);
    QObject::connect(
        &Editor(), &QDateTimeEdit::dateTimeChanged, Widget(), [this](const QDateTime& value) {
          TQtBackend& b = Backend();
          b.GetApplication().RunUserAction([&] { FPicker.ChangeByUser(ModelDateTime(value)); });
          b.RefreshAll();
        });
  }

  void Sync(const std::string& name) override {
    TQtPresenter::Sync(name);
    QDateTimeEdit& editor = Editor();
    const QSignalBlocker blocker(&editor);
    if (Reads(name, "Kind") || Reads(name, "DateFormat")) {
      const bool time = FPicker.GetKind() == dtkTime;
      editor.setCalendarPopup(!time);
      editor.setDisplayFormat(time                                ? "HH:mm:ss"
                              : FPicker.GetDateFormat() == dfLong ? "dddd, d 'de' MMMM 'de' yyyy"
                                                                  : "dd/MM/yyyy");
    }
    if (Reads(name, "DateTime") || Reads(name, "Text"))
      editor.setDateTime(QtDateTime(FPicker.GetDateTime()));
  }

  bool PassesMouseToWidget() const override { return true; }
  bool PassesKeyToWidget(Word key) const override {
    return key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE;
  }

private:
  TDateTimePicker& FPicker;
  QDateTimeEdit& Editor() const { return static_cast<QDateTimeEdit&>(*Widget()); }
};

template <class C, class P> void Register() {
  RegisterPresenter(C::StaticClass(), [](TQtBackend& backend, TControl& control) {
    return std::unique_ptr<TQtPresenter>(new P(backend, static_cast<C&>(control)));
  });
}

} // namespace

void PaintStandardTabs(QPainter& p, QWidget& widget, TPageControl& pages) {
  const int selected = pages.GetTabIndex();
  const QPoint pointer = widget.mapFromGlobal(QCursor::pos());
  int paneTop = pages.GetTabHeight() + 2;
  if (selected >= 0)
    paneTop = pages.TabRect(selected).Bottom;
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(&widget);
  frame.rect = QRect(0, paneTop, widget.width(), widget.height() - paneTop);
  widget.style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &p, &widget);
  for (int pass = 0; pass < 2; ++pass)
    for (int i = 0; pages.PageOfTab(i) != nullptr; ++i) {
      // The selected tab is drawn last, over its neighbours.
      if ((i == selected) != (pass == 1))
        continue;
      QStyleOptionTab option;
      option.initFrom(&widget);
      option.rect = QtRect(pages.TabRect(i));
      option.shape = QTabBar::RoundedNorth;
      option.text =
          pages.GetOwnerDraw() ? QString() : PlainCaption(pages.PageOfTab(i)->GetCaption());
      option.state &= ~QStyle::State_MouseOver;
      if (i == selected) {
        option.state |= QStyle::State_Selected;
        option.rect.adjust(-2, -2, 2, 1);
      } else if (pages.GetHotTrack() && widget.underMouse() && option.rect.contains(pointer)) {
        option.state |= QStyle::State_MouseOver;
      }
      widget.style()->drawControl(QStyle::CE_TabBarTab, &option, &p, &widget);
    }
}

void RegisterStandardPresenters() {
  static const bool registered = [] {
    RegisterPresenter(TControl::StaticClass(), [](TQtBackend& backend, TControl& control) {
      return std::unique_ptr<TQtPresenter>(new TPlainPresenter(backend, control, false));
    });
    RegisterPresenter(TTabSheet::StaticClass(), [](TQtBackend& backend, TControl& control) {
      return std::unique_ptr<TQtPresenter>(new TPlainPresenter(backend, control, true));
    });
    Register<TCustomForm, TFormPresenter>();
    Register<TLabel, TLabelPresenter>();
    Register<TCustomEdit, TEditPresenter>();
    Register<TCustomMemo, TMemoPresenter>();
    Register<TButton, TButtonPresenter>();
    Register<TSpeedButton, TSpeedButtonPresenter>();
    Register<TCustomCheckBox, TCheckBoxPresenter>();
    Register<TRadioButton, TRadioButtonPresenter>();
    Register<TCustomComboBox, TComboBoxPresenter>();
    Register<TCustomPanel, TPanelPresenter>();
    Register<TCustomGroupBox, TGroupBoxPresenter>();
    Register<TCustomRadioGroup, TRadioGroupPresenter>();
    Register<TImage, TImagePresenter>();
    Register<TPageControl, TPageControlPresenter>();
    Register<TDateTimePicker, TDateTimePickerPresenter>();
    return true;
  }();
  (void)registered;
}
