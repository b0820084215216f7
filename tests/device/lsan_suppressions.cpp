// Font set-up inside the text overlay (fontconfig, through pango) keeps a few blocks for
// the life of the process; the leak checker should not report them as ours.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
