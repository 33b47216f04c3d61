#pragma once

// Values of the control model as Qt takes them, and Qt's input as the model takes it.

#include "ui/Graphics.h"
#include "ui/Types.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>

#include <functional>
#include <string>

class QKeyEvent;
class QMenu;
class TMenuItem;

QColor QtColor(TColor color);
QFont QtFont(const TFont& font);
// The picture's image; a null image for an empty picture or bytes Qt cannot read.
QImage QtImage(const TPicture& picture);
// The first of `count` glyphs laid side by side in a picture (the normal state's).
QPixmap QtGlyph(const TPicture& picture, int count);

// The virtual key of a Qt key event; 0 for keys the model has no code for and that type nothing.
Word VirtualKeyOf(const QKeyEvent& event);
TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// The text a key types, as the model's key sequence takes it: printable text and the control
// characters of Enter, Tab, Backspace and Escape; nothing while Ctrl or Alt is held.
std::string TypedText(const QKeyEvent& event, Word key, TShiftState shift);

// A caption without its accelerator marks ("&Salvar" is "Salvar", "&&" is "&").
QString PlainCaption(const std::string& caption);

// Fills a Qt menu with the visible sub-items of a menu item: captions, separators, check marks,
// enablement and shortcut texts.  The shortcuts stay the model's: choosing an item calls `chosen`.
void FillMenu(QMenu& menu, TMenuItem& parent, const std::function<void(TMenuItem&)>& chosen);
