// The viewer's start-up check of its GStreamer plug-ins: without one of them the picture
// stays black or a recording never starts, so the user hears which package to install.
#pragma once

#include <functional>
#include <string_view>

class QWidget;

namespace vd {

// True when every element the viewer creates is installed. Otherwise writes one line per
// missing element to standard error, shows them in a message box and returns false.
// `present` replaces GStreamer's registry in tests.
bool ViewerElementsPresent(QWidget* parent,
                           const std::function<bool(std::string_view factory)>& present = {});

}  // namespace vd
