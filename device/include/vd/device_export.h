// The device layer is one shared library, so that every component of a process (the
// viewer, the parser and teletext libraries) sees the same devices and the same virtual
// TV box. Only what this macro marks is exported.
#pragma once

#define VD_DEVICE_EXPORT __attribute__((visibility("default")))
