// The skin's bitmaps by resource name. Names are matched without regard to case, because the
// four states of one button do not always agree in case ("album1", "ALBUM2", "Album4").
#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

namespace vd {

class Skin {
 public:
  // The process-wide skin with all of the project's artwork; drawn on first use (needs a
  // QGuiApplication). Owners of further bitmaps (the panel backgrounds) add them here.
  static Skin& Shared();

  // A null image when the name is unknown.
  QImage Find(const QString& name) const;
  bool Contains(const QString& name) const;
  void Add(const QString& name, const QImage& image);
  bool Remove(const QString& name);
  // Resource names as added, in no particular order.
  QStringList Names() const;

 private:
  struct Entry {
    QString name;
    QImage image;
  };
  QHash<QString, Entry> bitmaps_;  // keyed by the lower-case name
};

}  // namespace vd
