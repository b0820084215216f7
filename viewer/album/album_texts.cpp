#include "vd/album/album_texts.h"

namespace vd::album_text {
namespace {

std::string ReplaceAll(std::string_view pattern, std::string_view token, std::string_view arg) {
  std::string out;
  out.reserve(pattern.size() + arg.size());
  size_t from = 0;
  for (size_t at = pattern.find(token); at != std::string_view::npos;
       at = pattern.find(token, from)) {
    out.append(pattern.substr(from, at - from));
    out.append(arg);
    from = at + token.size();
  }
  out.append(pattern.substr(from));
  return out;
}

}  // namespace

std::string Substitute(std::string_view pattern, std::string_view arg) {
  return ReplaceAll(pattern, "%1", arg);
}

std::string ReplaceStar(std::string_view pattern, std::string_view arg) {
  return ReplaceAll(pattern, "*", arg);
}

}  // namespace vd::album_text
