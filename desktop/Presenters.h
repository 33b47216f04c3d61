#pragma once

// The presenters of the control library's own controls.

#include <QPainter>
#include <QWidget>

class TPageControl;

// Registers a presenter for every control kind of the control library (once per process).
void RegisterStandardPresenters();
// Registers the presenters of the data-aware controls (once per process).
void RegisterDataPresenters();
// Registers the painting of the application's workspace tabs (once per process).
void RegisterWorkspacePainting();

// Paints a page control's pane and tabs as the style draws them, at the model's tab rectangles;
// the captions are left out when the control draws its tabs itself.
void PaintStandardTabs(QPainter& p, QWidget& widget, TPageControl& pages);
