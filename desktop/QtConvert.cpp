#include "desktop/QtConvert.h"

#include "ui/Input.h"
#include "ui/Menus.h"

#include <QKeyEvent>
#include <QMenu>

#include <cstdlib>

QColor QtColor(TColor color) {
  switch (color) {
  case clBtnFace:
    return QColor(0xF0, 0xF0, 0xF0);
  case clWindow:
    return QColor(0xFF, 0xFF, 0xFF);
  case clWindowText:
    return QColor(0, 0, 0);
  case clGrayText:
    return QColor(0x6D, 0x6D, 0x6D);
  case clHighlight:
    return QColor(0x00, 0x78, 0xD7);
  case clInfoBk:
    return QColor(0xFF, 0xFF, 0xE1);
  case clNone:
  case clDefault:
    return QColor(Qt::transparent);
  default:
    break;
  }
  if (color < 0)
    return QColor(0xF0, 0xF0, 0xF0);
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QFont QtFont(const TFont& font) {
  QFont result(QString::fromStdString(font.GetName()));
  // The model lays controls out in pixels at 96 pixels per inch; the text follows the same
  // measure whatever the screen's density.
  result.setPixelSize(std::max(1, std::abs(font.GetHeight())));
  const TFontStyles style = font.GetStyle();
  result.setBold(style.Contains(fsBold));
  result.setItalic(style.Contains(fsItalic));
  result.setUnderline(style.Contains(fsUnderline));
  result.setStrikeOut(style.Contains(fsStrikeOut));
  return result;
}

QImage QtImage(const TPicture& picture) {
  if (picture.Empty())
    return {};
  const TBytes& data = picture.GetData();
  QImage image;
  image.loadFromData(reinterpret_cast<const uchar*>(data.data()), static_cast<int>(data.size()));
  return image;
}

QPixmap QtGlyph(const TPicture& picture, int count) {
  QImage image = QtImage(picture);
  if (image.isNull())
    return {};
  if (count > 1 && image.width() >= count)
    image = image.copy(0, 0, image.width() / count, image.height());
  return QPixmap::fromImage(image);
}

Word VirtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
    return static_cast<Word>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
    return static_cast<Word>(VK_F1 + (key - Qt::Key_F1));
  switch (key) {
  case Qt::Key_Backspace:
    return VK_BACK;
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
    return VK_TAB;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return VK_RETURN;
  case Qt::Key_Escape:
    return VK_ESCAPE;
  case Qt::Key_Space:
    return VK_SPACE;
  case Qt::Key_PageUp:
    return VK_PRIOR;
  case Qt::Key_PageDown:
    return VK_NEXT;
  case Qt::Key_End:
    return VK_END;
  case Qt::Key_Home:
    return VK_HOME;
  case Qt::Key_Left:
    return VK_LEFT;
  case Qt::Key_Up:
    return VK_UP;
  case Qt::Key_Right:
    return VK_RIGHT;
  case Qt::Key_Down:
    return VK_DOWN;
  case Qt::Key_Insert:
    return VK_INSERT;
  case Qt::Key_Delete:
    return VK_DELETE;
  case Qt::Key_Shift:
    return VK_SHIFT;
  case Qt::Key_Control:
    return VK_CONTROL;
  case Qt::Key_Alt:
    return VK_MENU;
  case Qt::Key_Semicolon:
  case Qt::Key_Colon:
    return VK_OEM_1;
  case Qt::Key_Equal:
  case Qt::Key_Plus:
    return VK_OEM_PLUS;
  case Qt::Key_Comma:
  case Qt::Key_Less:
    return VK_OEM_COMMA;
  case Qt::Key_Minus:
  case Qt::Key_Underscore:
    return VK_OEM_MINUS;
  case Qt::Key_Period:
  case Qt::Key_Greater:
    return VK_OEM_PERIOD;
  case Qt::Key_Slash:
  case Qt::Key_Question:
    return VK_OEM_2;
  default:
    break;
  }
  // Any other key that types a character (accented letters, symbols) is a packet of text.
  return event.text().isEmpty() ? Word{0} : Word{0xE7};
}

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState shift;
  if (modifiers & Qt::ShiftModifier)
    shift.Include(ssShift);
  if (modifiers & Qt::ControlModifier)
    shift.Include(ssCtrl);
  if (modifiers & Qt::AltModifier)
    shift.Include(ssAlt);
  if (buttons & Qt::LeftButton)
    shift.Include(ssLeft);
  if (buttons & Qt::RightButton)
    shift.Include(ssRight);
  if (buttons & Qt::MiddleButton)
    shift.Include(ssMiddle);
  return shift;
}

std::string TypedText(const QKeyEvent& event, Word key, TShiftState shift) {
  if (shift.Contains(ssCtrl) || shift.Contains(ssAlt))
    return {};
  const QString text = event.text();
  if (text.isEmpty())
    return TUserInput::CharOfKey(key, shift);
  const char16_t first = text.front().unicode();
  if (first == '\r' || first == '\t' || first == '\b' || first == 0x1b)
    return std::string(1, static_cast<char>(first));
  if (first < 0x20 || first == 0x7f)
    return {};
  return text.toStdString();
}

QString PlainCaption(const std::string& caption) {
  QString result;
  const QString text = QString::fromStdString(caption);
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      result += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '&') {
      result += '&';
      ++i;
    }
  }
  return result;
}

void FillMenu(QMenu& menu, TMenuItem& parent, const std::function<void(TMenuItem&)>& chosen) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (!item->GetVisible())
      continue;
    if (item->IsLine()) {
      menu.addSeparator();
      continue;
    }
    QString caption = PlainCaption(item->GetCaption());
    if (item->GetShortCut() != 0)
      caption += "\t" + QString::fromStdString(ShortCutToText(item->GetShortCut()));
    if (item->Count() > 0) {
      QMenu* sub = menu.addMenu(caption);
      sub->setEnabled(item->GetEnabled());
      FillMenu(*sub, *item, chosen);
      continue;
    }
    QAction* action = menu.addAction(caption);
    action->setEnabled(item->GetEnabled());
    action->setCheckable(item->GetChecked());
    action->setChecked(item->GetChecked());
    QObject::connect(action, &QAction::triggered, [item, chosen] { chosen(*item); });
  }
}
