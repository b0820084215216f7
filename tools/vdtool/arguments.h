// How vdtool's commands read their words, the same way in every command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "vd/view_modes.h"

namespace vdtool {

// A country is an English name as 'vdtool countries' lists it, "code:N" for a dialling code
// or "index:N" for a table row. A bare number is refused, because 49 is Germany's dialling
// code but Taiwan's row. Returns the country's row (0-56), or -1 with `*error` saying why the
// word names none. A code shared by several rows gives the first, as the tuner does.
int ParseCountry(const std::string& word, std::string* error);

// ParseCountry's dialling code, the form the engine and the "Country" setting use.
bool ParseCountryCode(const std::string& word, int32_t* code, std::string* error);

// The work mode of a picture input: tv, composite or svideo (case is ignored); nothing, with
// `*error` saying why, for anything else. The radio has no picture, so no still and no
// recording.
std::optional<vd::WorkMode> ParseVideoInput(const std::string& word, std::string* error);

// The whole word as a decimal number ("2", "98.1"); false for "", "12x", "nan", "1e999".
bool ParseNumber(const std::string& word, double* value);

// Whether a recording can be written to `path` (its folder exists and takes a new file, and
// the path is no folder itself); `*error` says why not. Checked before a device is opened.
bool OutputPathUsable(const std::string& path, std::string* error);

}  // namespace vdtool
