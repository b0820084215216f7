// The shape of the picture a video frame carries, and where it goes in an area of another
// shape.
#pragma once

#include "window_geometry.h"

namespace vd {

// Width over height of the picture a frame shows. A pixel aspect ratio other than 1/1 is the
// source's word for it. Without one (or with 1/1, which many sources state whatever they
// deliver) the analogue digitising sizes, 720 or 704 pixels across 576, 486 or 480 lines,
// are 4:3 television with narrow pixels, and any other frame has square ones.
double PictureAspect(int width, int height, int parN = 0, int parD = 0);

// The largest rectangle of `aspect` (width over height) centred in `area`; the area itself
// when the aspect is not positive.
Rect FitPicture(const Rect& area, double aspect);

}  // namespace vd
