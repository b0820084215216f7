#include "vd/skin/skin.h"

#include "vd/skin/skin_artwork.h"

namespace vd {

Skin& Skin::Shared() {
  // Images, not pixmaps, so that the skin may outlive the application object.
  static Skin skin = [] {
    Skin s;
    SkinArtwork::DrawInto(s);
    return s;
  }();
  return skin;
}

QImage Skin::Find(const QString& name) const {
  auto it = bitmaps_.constFind(name.toLower());
  return it == bitmaps_.constEnd() ? QImage() : it->image;
}

bool Skin::Contains(const QString& name) const {
  return bitmaps_.contains(name.toLower());
}

void Skin::Add(const QString& name, const QImage& image) {
  bitmaps_.insert(name.toLower(), Entry{name, image});
}

bool Skin::Remove(const QString& name) {
  return bitmaps_.remove(name.toLower()) > 0;
}

QStringList Skin::Names() const {
  QStringList names;
  names.reserve(bitmaps_.size());
  for (const Entry& e : bitmaps_) names.push_back(e.name);
  return names;
}

}  // namespace vd
