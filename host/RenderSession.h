#pragma once
#include "host/CommandAccounting.h"
#include "host/HostImage.h"
#include "hostapi/AE_Effect.h"

#include <map>
#include <set>

namespace kvhost {

// The frame an effect instance is rendering: the input and the extra layers at the render's depth, the
// downsampling, the layers the plug-in checks out in smart pre-render and their pixels in smart render,
// and the output. Bad checkout calls are refused and recorded as faults in the accounting.
class RenderSession {
public:
    // Where in the frame the plug-in is: the layer and output callbacks belong to one step each.
    enum class Step { between, preRender, smartRender };

    explicit RenderSession(CommandAccounting& accounting) : accounting_(accounting) {}
    RenderSession(const RenderSession&) = delete;
    RenderSession& operator=(const RenderSession&) = delete;

    // Starts a frame. `layers`: every layer parameter by index (above 0), with its image or null for none;
    // images whose depth differs from `depth` are converted.
    void begin(int depth, const HostImage& input, const std::map<int, const HostImage*>& layers,
               PF_RationalScale downsampleX, PF_RationalScale downsampleY);
    // Ends the frame: layers, checkouts and output go. The layer size and the downsampling stay, as the
    // host keeps telling the plug-in the last frame's.
    void end();
    bool active() const { return active_; }
    void setStep(Step step) { step_ = step; }

    int depth() const { return depth_; }
    const HostImage& input() const { return input_; }
    // The image of a layer parameter (0: the input); null when it has none.
    HostImage* layer(int index);
    HostImage& output() { return output_; }
    // The input layer at full resolution, and the downsampling, of the last frame begun.
    A_long layerWidth() const { return layerWidth_; }
    A_long layerHeight() const { return layerHeight_; }
    PF_RationalScale downsampleX() const { return downsampleX_; }
    PF_RationalScale downsampleY() const { return downsampleY_; }
    // The input's pixel aspect while a frame is active, square otherwise.
    PF_RationalScale pixelAspect() const { return active_ ? input_.pixelAspect() : PF_RationalScale{1, 1}; }
    // Layer pixels the plug-in has not checked in.
    int layersCheckedOut() const;

    // ---- the plug-in's calls ----
    PF_Err checkoutLayer(PF_ParamIndex index, A_long checkoutId, const PF_RenderRequest* request,
                         PF_CheckoutResult* result);
    PF_Err checkoutLayerPixels(A_long checkoutId, PF_EffectWorld** pixels);
    PF_Err checkinLayerPixels(A_long checkoutId);
    PF_Err checkoutOutput(PF_EffectWorld** output);

private:
    struct LayerCheckout {
        int index = 0;
        PF_LRect rect{};
        PF_EffectWorld world{};
        bool checkedOut = false;
    };
    bool isLayer(PF_ParamIndex index) const;

    CommandAccounting& accounting_;
    bool active_ = false;
    Step step_ = Step::between;
    int depth_ = 0;
    HostImage input_;
    std::set<int> layerIndices_;      // every layer parameter's, above 0
    std::map<int, HostImage> layers_; // those with an image, at the frame's depth
    std::map<A_long, LayerCheckout> layerCheckouts_;
    HostImage output_;
    PF_EffectWorld outputWorld_{};
    PF_RationalScale downsampleX_{1, 1};
    PF_RationalScale downsampleY_{1, 1};
    A_long layerWidth_ = 0;
    A_long layerHeight_ = 0;
};

} // namespace kvhost
