// A client that links the libavfilter stand-in but calls the function itself: its own object defines no
// avfilter_version, although a lookup through its handle finds the one of the library it depends on.
extern "C" unsigned avfilter_version();

extern "C" __attribute__((visibility("default"))) const void* callFromHere(const void* (*callee)()) {
    const void* seen = callee();
    asm volatile("" : : "r"(seen) : "memory"); // a call, not a jump: the callee returns into this file
    return seen;
}

extern "C" __attribute__((visibility("default"))) unsigned dependencyVersion() {
    return avfilter_version();
}
