#include "screen_saver_inhibit.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace vd {

namespace {
constexpr const char* kService = "org.freedesktop.ScreenSaver";
constexpr const char* kObject = "/org/freedesktop/ScreenSaver";
}  // namespace

ScreenSaverInhibit::ScreenSaverInhibit(QDBusConnection bus) : bus_(std::move(bus)) {
  if (!bus_.isConnected()) return;
  QDBusInterface saver(kService, kObject, kService, bus_);
  if (!saver.isValid()) return;
  QDBusReply<uint32_t> reply = saver.call("Inhibit", "viewdeck", "Watching television");
  if (reply.isValid()) cookie_ = reply.value();
}

ScreenSaverInhibit::~ScreenSaverInhibit() {
  if (!cookie_ || !bus_.isConnected()) return;
  QDBusInterface saver(kService, kObject, kService, bus_);
  if (saver.isValid()) saver.call("UnInhibit", *cookie_);
}

}  // namespace vd
