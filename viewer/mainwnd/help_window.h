// The installed help page shown inside the viewer, for a desktop that has no program to show
// it: Qt's text browser renders the page with its pictures and follows its internal links.
#pragma once

#include <QDialog>

class QTextBrowser;

namespace vd {

class HelpWindow : public QDialog {
  Q_OBJECT

 public:
  explicit HelpWindow(const QString& file, QWidget* parent = nullptr);

  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_ = nullptr;
};

}  // namespace vd
