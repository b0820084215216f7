#include "vd/gst_elements.h"

#include <mutex>

#include "vd/gst_ptr.h"

namespace vd {

GstElement* ParseLaunch(const std::string& description, GError** error) {
  return gst_parse_launch(description.c_str(), error);
}

GstElement* ParseBin(const std::string& description, GError** error) {
  return gst_parse_bin_from_description(description.c_str(), TRUE, error);
}

bool ElementInstalled(std::string_view factory) {
  static std::once_flag once;
  std::call_once(once, [] { gst_init(nullptr, nullptr); });
  const GstPtr<GstPluginFeature> feature(gst_registry_find_feature(
      gst_registry_get(), std::string(factory).c_str(), GST_TYPE_ELEMENT_FACTORY));
  return feature != nullptr;
}

std::string MissingElementText(const GstElementNeed& element) {
  return "GStreamer element " + std::string(element.factory) + " is missing: install " +
         std::string(element.package);
}

std::vector<std::string> MissingElements(
    unsigned use, const std::function<bool(std::string_view factory)>& present) {
  std::vector<std::string> missing;
  for (const GstElementNeed& e : kGstElements) {
    if ((e.use & use) == 0) continue;
    if (present ? present(e.factory) : ElementInstalled(e.factory)) continue;
    missing.push_back(MissingElementText(e));
  }
  return missing;
}

}  // namespace vd
