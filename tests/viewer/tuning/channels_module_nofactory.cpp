// A module that opens but does not export the tuner factory.
extern "C" __attribute__((visibility("default"))) int NotTheFactory() {
  return 1;
}
