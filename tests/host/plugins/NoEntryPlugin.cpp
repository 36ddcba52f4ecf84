// A plug-in file with a good registration record but without EntryPointFunc.
#include "tests/host/plugins/PiPLBuilder.h"

namespace {
constexpr kvtest::PiPLWriter kWriter = kvtest::writePiPL(kvtest::PiPLFields{});
}

KV_TEST_PIPL_SECTION const std::array<std::uint8_t, kPiPLRecordSize> kRecord =
    kvtest::recordBytes<kPiPLRecordSize>(kWriter);

extern "C" __attribute__((visibility("default"))) int SomethingElse() {
    return 1;
}
