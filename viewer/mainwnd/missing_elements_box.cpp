#include "vd/mainwnd/missing_elements_box.h"

#include <QMessageBox>
#include <QString>
#include <cstdio>

#include "vd/gst_elements.h"

namespace vd {

bool ViewerElementsPresent(QWidget* parent,
                           const std::function<bool(std::string_view factory)>& present) {
  const std::vector<std::string> missing = MissingElements(kAllElements, present);
  if (missing.empty()) return true;
  QString text = QStringLiteral("The viewer cannot start: parts of GStreamer are missing.\n");
  for (const std::string& line : missing) {
    std::fprintf(stderr, "viewdeck: %s\n", line.c_str());
    text += QLatin1Char('\n') + QString::fromStdString(line);
  }
  QMessageBox::critical(parent, QStringLiteral("Brevant TV USB"), text);
  return false;
}

}  // namespace vd
