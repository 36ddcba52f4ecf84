#include "host/RenderSession.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace kvhost {

namespace {

PF_LRect intersection(const PF_LRect& a, const PF_LRect& b) {
    PF_LRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
    if (r.right <= r.left || r.bottom <= r.top) {
        return PF_LRect{0, 0, 0, 0};
    }
    return r;
}

bool emptyRect(const PF_LRect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// The layer size at full resolution from its size at the current downsampling.
A_long fullSize(int size, const PF_RationalScale& scale) {
    return A_long(std::int64_t(size) * std::int64_t(scale.den) / std::int64_t(scale.num));
}

} // namespace

void RenderSession::begin(int depth, const HostImage& input, const std::map<int, const HostImage*>& layers,
                          PF_RationalScale downsampleX, PF_RationalScale downsampleY) {
    auto atDepth = [depth](const HostImage& image) {
        return image.depth() == depth ? image : image.converted(depth);
    };
    depth_ = depth;
    input_ = atDepth(input);
    layerIndices_.clear();
    layers_.clear();
    for (const auto& [index, image] : layers) {
        layerIndices_.insert(index);
        if (image) {
            layers_.emplace(index, atDepth(*image));
        }
    }
    downsampleX_ = downsampleX;
    downsampleY_ = downsampleY;
    layerWidth_ = fullSize(input_.width(), downsampleX_);
    layerHeight_ = fullSize(input_.height(), downsampleY_);
    layerCheckouts_.clear();
    active_ = true;
}

void RenderSession::end() {
    active_ = false;
    step_ = Step::between;
    layerIndices_.clear();
    layers_.clear();
    layerCheckouts_.clear();
    input_ = HostImage();
    output_ = HostImage();
    outputWorld_ = PF_EffectWorld{};
}

HostImage* RenderSession::layer(int index) {
    if (index == 0) {
        return &input_;
    }
    const auto found = layers_.find(index);
    return found == layers_.end() ? nullptr : &found->second;
}

bool RenderSession::isLayer(PF_ParamIndex index) const {
    return index == 0 || layerIndices_.count(index) != 0;
}

int RenderSession::layersCheckedOut() const {
    int count = 0;
    for (const auto& [id, checkout] : layerCheckouts_) {
        count += checkout.checkedOut ? 1 : 0;
    }
    return count;
}

PF_Err RenderSession::checkoutLayer(PF_ParamIndex index, A_long checkoutId, const PF_RenderRequest* request,
                                    PF_CheckoutResult* result) {
    if (step_ != Step::preRender) {
        accounting_.fault("checkout_layer outside smart pre-render");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (!request || !result) {
        accounting_.fault("checkout_layer without a request or a result record");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (!isLayer(index)) {
        accounting_.fault("checkout_layer of parameter " + std::to_string(index) + ", which is not a layer");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *result = PF_CheckoutResult{};
    result->par = PF_RationalScale{1, 1};
    LayerCheckout checkout;
    checkout.index = index;
    if (const HostImage* image = layer(index)) {
        result->max_result_rect = image->extent();
        result->result_rect = intersection(request->rect, image->extent());
        result->par = image->pixelAspect();
        result->ref_width = image->width();
        result->ref_height = image->height();
        checkout.rect = result->result_rect;
    }
    layerCheckouts_[checkoutId] = checkout;
    return PF_Err_NONE;
}

PF_Err RenderSession::checkoutLayerPixels(A_long checkoutId, PF_EffectWorld** pixels) {
    if (step_ != Step::smartRender || !pixels) {
        accounting_.fault("checkout_layer_pixels outside smart render or without a result pointer");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *pixels = nullptr;
    const auto found = layerCheckouts_.find(checkoutId);
    if (found == layerCheckouts_.end()) {
        accounting_.fault("checkout_layer_pixels of checkout id " + std::to_string(checkoutId) +
                          ", never checked out");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    LayerCheckout& checkout = found->second;
    HostImage* image = layer(checkout.index);
    if (!image || emptyRect(checkout.rect)) {
        return PF_Err_NONE; // no pixels for this layer: not an error
    }
    checkout.world = image->world(checkout.rect);
    checkout.checkedOut = true;
    *pixels = &checkout.world;
    return PF_Err_NONE;
}

PF_Err RenderSession::checkinLayerPixels(A_long checkoutId) {
    const bool inSmartRender = step_ == Step::smartRender;
    const auto found = layerCheckouts_.find(checkoutId);
    // A layer without pixels (none chosen, or nothing of it in the request) gave the plug-in no world:
    // handing that back is harmless, as it is in the real host.
    if (inSmartRender && found != layerCheckouts_.end() && !found->second.checkedOut &&
        (!layer(found->second.index) || emptyRect(found->second.rect))) {
        return PF_Err_NONE;
    }
    if (!inSmartRender || found == layerCheckouts_.end() || !found->second.checkedOut) {
        accounting_.fault("checkin_layer_pixels of checkout id " + std::to_string(checkoutId) +
                          ", which is not checked out");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    found->second.checkedOut = false;
    return PF_Err_NONE;
}

PF_Err RenderSession::checkoutOutput(PF_EffectWorld** output) {
    if (step_ != Step::smartRender || !output) {
        accounting_.fault("checkout_output outside smart render or without a result pointer");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    outputWorld_ = output_.world();
    *output = &outputWorld_;
    return PF_Err_NONE;
}

} // namespace kvhost
