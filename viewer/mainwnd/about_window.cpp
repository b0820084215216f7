#include "about_window.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vd {

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Brevant TV USB"));
  auto* text = new QLabel("Brevant TV USB\nviewdeck " + QApplication::applicationVersion(), this);
  text->setAlignment(Qt::AlignCenter);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text, 1);
  layout->addWidget(buttons);
  resize(280, 140);
}

}  // namespace vd
