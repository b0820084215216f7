#include "vd/layout/picture_aspect.h"

#include <cmath>

namespace vd {

double PictureAspect(int width, int height, int parN, int parD) {
  if (width <= 0 || height <= 0) return 0;
  if (parN > 0 && parD > 0 && parN != parD)
    return static_cast<double>(width) * parN / (static_cast<double>(height) * parD);
  const bool digitisedWidth = width == 720 || width == 704;
  const bool tvLines = height == 576 || height == 486 || height == 480;
  if (digitisedWidth && tvLines) return 4.0 / 3.0;
  return static_cast<double>(width) / height;
}

Rect FitPicture(const Rect& area, double aspect) {
  const int w = area.Width();
  const int h = area.Height();
  if (!(aspect > 0) || w <= 0 || h <= 0) return area;
  int fitW = w;
  int fitH = static_cast<int>(std::lround(w / aspect));
  if (fitH > h) {
    fitH = h;
    fitW = static_cast<int>(std::lround(h * aspect));
  }
  const int left = area.left + (w - fitW) / 2;
  const int top = area.top + (h - fitH) / 2;
  return {left, top, left + fitW, top + fitH};
}

}  // namespace vd
