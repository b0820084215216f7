// The viewer's start-up check: a missing plug-in is named, with its package, in a message box
// the user sees before any window, instead of a black picture.
#include "vd/mainwnd/missing_elements_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {

TEST(MissingElementsBox, NamesEachMissingElementAndItsPackageInAMessageBox) {
  QString title;
  QString text;
  int boxes = 0;
  QTimer watcher;
  watcher.setInterval(10);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      ++boxes;
      title = box->windowTitle();
      text = box->text();
      box->accept();
    }
  });
  watcher.start();
  EXPECT_FALSE(vd::ViewerElementsPresent(
      nullptr, [](std::string_view f) { return f != "textoverlay" && f != "playbin"; }));
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(title, "Brevant TV USB");
  EXPECT_TRUE(text.contains("GStreamer element textoverlay is missing: install gstreamer1.0-x"))
      << text.toStdString();
  EXPECT_TRUE(
      text.contains("GStreamer element playbin is missing: install gstreamer1.0-plugins-base"))
      << text.toStdString();

  EXPECT_TRUE(vd::ViewerElementsPresent(nullptr, [](std::string_view) { return true; }));
  QApplication::processEvents();
  EXPECT_EQ(boxes, 1);
}

}  // namespace
