// A plug-in file whose registration record is 10 bytes short of 310.
#include "hostapi/AE_Effect.h"
#include "tests/host/plugins/PiPLBuilder.h"

namespace {
constexpr kvtest::PiPLWriter kWriter = kvtest::writePiPL(kvtest::PiPLFields{});
}

KV_TEST_PIPL_SECTION const std::array<std::uint8_t, kPiPLRecordSize - 10> kRecord =
    kvtest::recordBytes<kPiPLRecordSize - 10>(kWriter);

extern "C" __attribute__((visibility("default"))) PF_Err EntryPointFunc(PF_Cmd, PF_InData*, PF_OutData*,
                                                                        PF_ParamDef*[], PF_LayerDef*, void*) {
    return PF_Err_NONE;
}
