#pragma once
// An in-process stand-in for the host: the command records, callbacks, suites, handles and layer checkouts
// that the framework uses, with counters and switches for failure paths. One FakeHost at a time.
#include "hostapi/AE_Effect.h"

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fakehost {

// A layer the host can hand out: its pixels and its extent.
struct FakeLayer {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t pixelBytes = 4;
    std::int32_t padBytes = 8; // unused bytes after every row
    std::vector<std::uint8_t> bytes;
    PF_EffectWorld world{};
    PF_LRect extent{};
    PF_RationalScale par{1, 1};
    bool noPixels = false; // the host has no buffer for it

    FakeLayer() = default;
    FakeLayer(std::int32_t w, std::int32_t h, std::int32_t bytesPerPixel, std::uint8_t fill);
    FakeLayer(const FakeLayer&) = delete;
    FakeLayer& operator=(const FakeLayer&) = delete;
    std::uint8_t* row(std::int32_t y) { return bytes.data() + std::size_t(y) * std::size_t(world.rowbytes); }
};

struct LayerCheckout {
    PF_ParamIndex index;
    A_long id;
    PF_LRect rect;
    A_long time;
};

struct AddedParam {
    PF_ParamDef def;
    std::string popupNames; // copy of u.pd.u.namesptr for popups
    std::string checkboxText;
};

class FakeHost {
public:
    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    static FakeHost* current();

    PF_InData in{};
    PF_OutData out{};
    PF_UtilCallbacks utils{};
    SPBasicSuite basic{};
    PF_ParamUtilsSuite1 paramUtils{};
    PF_AppSuite2 app{};

    // ---- suites
    std::set<std::string> withheldSuites;
    bool nullSuites = false;                 // acquisition succeeds but hands back null
    std::map<std::string, int> suiteBalance; // acquisitions minus releases
    std::vector<std::pair<PF_ParamIndex, PF_ParamDef>> updatedParams;

    // ---- memory handles
    bool failNewHandle = false;
    bool failLock = false;
    std::size_t handleCount() const { return handles_.size(); }
    int lockedCount() const;
    std::size_t lastHandleSize = 0;
    int unknownHandleUses = 0;

    // ---- progress
    int progressCalls = 0;
    int abortAfter = -1; // progress returns 517 from this call count on; -1 never

    // ---- processors
    void offerIterateGeneric(int processors);
    int iterateProcessors = 0;

    // ---- parameters
    std::vector<AddedParam> added;
    PF_Err addParamError = PF_Err_NONE;
    int addParamFailAt = -1; // 0-based call that fails with addParamError

    // ---- layers: index 0 is the input
    std::map<PF_ParamIndex, std::unique_ptr<FakeLayer>> layers;
    FakeLayer& addLayer(PF_ParamIndex index, std::int32_t w, std::int32_t h, std::int32_t pixelBytes,
                        std::uint8_t fill);
    std::unique_ptr<FakeLayer> output;
    std::vector<LayerCheckout> preRenderCheckouts;
    std::vector<A_long> pixelCheckouts;
    std::vector<A_long> pixelCheckins;
    std::map<A_long, PF_Err> checkoutErrors; // by checkout id
    std::vector<PF_ParamIndex> paramCheckouts;
    int paramCheckins = 0;
    std::vector<PF_ParamDef> paramValues; // what params[] points at
    std::vector<PF_ParamDef*> paramPointers;
    void buildParams(int count);

    // ---- render records
    PF_PreRenderInput preInput{};
    PF_PreRenderOutput preOutput{};
    PF_PreRenderCallbacks preCallbacks{};
    PF_PreRenderExtra preExtra{};
    PF_SmartRenderInput smartInput{};
    PF_SmartRenderCallbacks smartCallbacks{};
    PF_SmartRenderExtra smartExtra{};

    // The handle behind a pointer the host handed out, for tests that look inside.
    struct Handle {
        void* master = nullptr;
        std::unique_ptr<std::byte[]> block;
        std::size_t size = 0;
        int locks = 0;
    };
    std::map<PF_Handle, std::unique_ptr<Handle>>& handles() { return handles_; }

private:
    friend struct Callbacks;
    std::map<PF_Handle, std::unique_ptr<Handle>> handles_;
};

} // namespace fakehost
