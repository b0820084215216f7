// The About window of the panel's logo: the product and the program's version, closed with
// its button, Esc or Return.
#pragma once

#include <QDialog>

namespace vd {

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  explicit AboutWindow(QWidget* parent = nullptr);
};

}  // namespace vd
