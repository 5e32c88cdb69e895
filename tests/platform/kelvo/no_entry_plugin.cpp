// A shared object that is not a plug-in: it lacks the entry point.

extern "C" __attribute__((visibility("default"))) int NotAnEntryPoint() {
  return 1;
}
