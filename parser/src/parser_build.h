// What distinguishes the two builds of the parser library. STROMSIFT_COMPACT (set by the build
// for libstromsift.so) selects the compact one; everything else is shared.
#pragma once

#include <cstddef>

#include "bulk_parser.h"
#include "counting_allocator.h"
#include "vd/trace.h"

namespace vd {

#ifdef STROMSIFT_COMPACT
inline constexpr size_t kRingCapacity = 65536;
inline constexpr BulkParser::Mode kParserMode = BulkParser::Mode::kCompact;
inline constexpr bool kCountAllocations = false;
using ParserHeapObject = PlainObject;
VD_DEFINE_TRACE(ParserTrace, "stromsift")
#else
inline constexpr size_t kRingCapacity = 95536;
inline constexpr BulkParser::Mode kParserMode = BulkParser::Mode::kFull;
inline constexpr bool kCountAllocations = true;
using ParserHeapObject = CountedObject;
VD_DEFINE_TRACE(ParserTrace, "vidparse")
#endif

}  // namespace vd
