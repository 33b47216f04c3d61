#pragma once

// Forms shown as real Qt windows on the offscreen platform and driven through Qt's own input
// events (QTest), so that each test goes the whole way: a Qt event, the backend, the model's
// input sequence, the model's events, and the widgets showing what the model became.

#include "desktop/QtBackend.h"
#include "ui/Forms.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QtTest : public ::testing::Test {
protected:
  QtTest() { App.SetBackend(std::make_unique<TQtBackend>(App)); }

  TQtBackend& Backend() const { return static_cast<TQtBackend&>(App.GetBackend()); }

  // The widget of a control; fails the test when the control is not presented.
  QWidget* W(const TControl& control) const {
    QWidget* widget = Backend().WidgetOf(control);
    EXPECT_NE(widget, nullptr) << control.GetName() << " is not presented";
    return widget;
  }

  // Shows a form as a window and waits until the window is on the screen.
  void ShowAndWait(TCustomForm& form) {
    form.Show();
    QWidget* window = Backend().WindowOf(form);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    Settle();
  }

  // Lets Qt deliver what is pending (paints, moves, deferred deletions).
  static void Settle() {
    for (int i = 0; i < 3; ++i) {
      QCoreApplication::processEvents();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }

  // Runs `step` from the event loop once `ready` holds (a modal run that waits is the usual
  // case: the step then plays the user of that run).
  static void When(std::function<bool()> ready, std::function<void()> step) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, ready, step] {
      if (!ready())
        return;
      timer->stop();
      timer->deleteLater();
      step();
    });
    timer->start(10);
  }
  static void WhenModal(std::function<void()> step) {
    When([] { return QApplication::activeModalWidget() != nullptr; }, std::move(step));
  }

  // Saves a picture of a widget for review; returns the file.
  static std::string Screenshot(QWidget& widget, const std::string& name) {
    std::filesystem::create_directories("screenshots");
    const std::string file = "screenshots/" + name + ".png";
    EXPECT_TRUE(widget.grab().save(QString::fromStdString(file)));
    return file;
  }

  TApplication App;
  TApplicationScope Scope{App};
  std::vector<std::string> Log;

  TNotifyEvent Note(const std::string& entry) {
    return [this, entry](TObject*) { Log.push_back(entry); };
  }
};
