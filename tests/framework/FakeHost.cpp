#include "FakeHost.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace fakehost {
namespace {

FakeHost* active = nullptr;

} // namespace

struct Callbacks {
    static FakeHost& host() { return *active; }

    static PF_Handle newHandle(A_u_longlong size) {
        FakeHost& h = host();
        h.lastHandleSize = std::size_t(size);
        if (h.failNewHandle || size > (A_u_longlong(1) << 40)) {
            return nullptr;
        }
        auto handle = std::make_unique<FakeHost::Handle>();
        handle->block.reset(new std::byte[std::size_t(size) + 1]); // 16-byte aligned like the host's blocks
        handle->size = std::size_t(size);
        handle->master = handle->block.get();
        PF_Handle key = &handle->master;
        h.handles_[key] = std::move(handle);
        return key;
    }
    static FakeHost::Handle* find(PF_Handle key) {
        auto it = host().handles_.find(key);
        if (it == host().handles_.end()) {
            ++host().unknownHandleUses;
            return nullptr;
        }
        return it->second.get();
    }
    static void* lockHandle(PF_Handle key) {
        FakeHost::Handle* handle = find(key);
        if (handle == nullptr || host().failLock) {
            return nullptr;
        }
        ++handle->locks;
        return handle->master;
    }
    static void unlockHandle(PF_Handle key) {
        if (FakeHost::Handle* handle = find(key)) {
            --handle->locks;
        }
    }
    static void disposeHandle(PF_Handle key) {
        if (find(key) != nullptr) {
            host().handles_.erase(key);
        }
    }
    static A_u_longlong handleSize(PF_Handle key) {
        FakeHost::Handle* handle = find(key);
        return handle != nullptr ? handle->size : 0;
    }

    static A_long hostSprintf(A_char* buffer, const A_char* format, ...) {
        va_list args;
        va_start(args, format);
        const int n = std::vsprintf(buffer, format, args);
        va_end(args);
        return n;
    }
    static A_char* hostStrcpy(A_char* dest, const A_char* src) { return std::strcpy(dest, src); }

    static PF_Err iterate(A_long iterations, void* refcon, PF_IterateGenericFunc fn) {
        const int count = iterations == -1 ? host().iterateProcessors : iterations;
        for (int i = 0; i < count; ++i) {
            if (const PF_Err err = fn(refcon, i, i, iterations)) {
                return err;
            }
        }
        return PF_Err_NONE;
    }

    static PF_Err progress(PF_ProgPtr, A_long, A_long) {
        FakeHost& h = host();
        const int call = h.progressCalls++;
        return h.abortAfter >= 0 && call >= h.abortAfter ? PF_Interrupt_CANCEL : PF_Err_NONE;
    }

    static PF_Err addParam(PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr def) {
        FakeHost& h = host();
        if (h.addParamFailAt >= 0 && int(h.added.size()) == h.addParamFailAt) {
            return h.addParamError;
        }
        AddedParam param{*def, {}, {}};
        if (def->param_type == PF_Param_POPUP && def->u.pd.u.namesptr != nullptr) {
            param.popupNames = def->u.pd.u.namesptr;
        }
        if (def->param_type == PF_Param_CHECKBOX && def->u.bd.u.nameptr != nullptr) {
            param.checkboxText = def->u.bd.u.nameptr;
        }
        h.added.push_back(param);
        return PF_Err_NONE;
    }

    static PF_Err checkoutParam(PF_ProgPtr, PF_ParamIndex index, A_long, A_long, A_u_long,
                                PF_ParamDef* param) {
        FakeHost& h = host();
        auto it = h.layers.find(index);
        if (auto err = h.checkoutErrors.find(index); err != h.checkoutErrors.end()) {
            return err->second;
        }
        h.paramCheckouts.push_back(index);
        *param = PF_ParamDef{};
        param->param_type = PF_Param_LAYER;
        if (it != h.layers.end()) {
            param->u.ld = it->second->world;
        }
        return PF_Err_NONE;
    }
    static PF_Err checkinParam(PF_ProgPtr, PF_ParamDef*) {
        ++host().paramCheckins;
        return PF_Err_NONE;
    }

    static SPErr acquireSuite(const char* name, A_long version, const void** suite) {
        FakeHost& h = host();
        if (h.withheldSuites.count(name) != 0) {
            return kSPSuiteNotFoundError;
        }
        ++h.suiteBalance[std::string(name) + "/" + std::to_string(version)];
        if (h.nullSuites) {
            *suite = nullptr;
        } else if (std::strcmp(name, kPFParamUtilsSuite) == 0) {
            *suite = &h.paramUtils;
        } else if (std::strcmp(name, kPFAppSuite) == 0) {
            *suite = &h.app;
        } else {
            return kSPSuiteNotFoundError;
        }
        return kSPNoError;
    }
    static SPErr releaseSuite(const char* name, A_long version) {
        --host().suiteBalance[std::string(name) + "/" + std::to_string(version)];
        return kSPNoError;
    }
    static PF_Err updateParamUI(PF_ProgPtr, PF_ParamIndex index, const PF_ParamDef* def) {
        host().updatedParams.emplace_back(index, *def);
        return PF_Err_NONE;
    }
    static PF_Err appBackground(PF_App_Color* colour) {
        *colour = PF_App_Color{1, 2, 3};
        return PF_Err_NONE;
    }

    static PF_Err checkoutLayer(PF_ProgPtr, PF_ParamIndex index, A_long id, const PF_RenderRequest* req,
                                A_long time, A_long, A_u_long, PF_CheckoutResult* result) {
        FakeHost& h = host();
        h.preRenderCheckouts.push_back(LayerCheckout{index, id, req->rect, time});
        if (auto err = h.checkoutErrors.find(id); err != h.checkoutErrors.end()) {
            return err->second;
        }
        auto it = h.layers.find(index);
        if (it == h.layers.end()) {
            return PF_Err_INVALID_INDEX;
        }
        const PF_LRect& e = it->second->extent;
        result->max_result_rect = e;
        result->result_rect =
            PF_LRect{std::max(e.left, req->rect.left), std::max(e.top, req->rect.top),
                     std::min(e.right, req->rect.right), std::min(e.bottom, req->rect.bottom)};
        result->par = it->second->par;
        return PF_Err_NONE;
    }
    static PF_Err checkoutPixels(PF_ProgPtr, A_long id, PF_EffectWorld** pixels) {
        FakeHost& h = host();
        if (auto err = h.checkoutErrors.find(id); err != h.checkoutErrors.end()) {
            return err->second;
        }
        h.pixelCheckouts.push_back(id);
        const PF_ParamIndex index = id >= 10000 ? id - 10000 : id;
        auto it = h.layers.find(index);
        *pixels = it == h.layers.end() || it->second->noPixels ? nullptr : &it->second->world;
        return PF_Err_NONE;
    }
    static PF_Err checkinPixels(PF_ProgPtr, A_long id) {
        host().pixelCheckins.push_back(id);
        return PF_Err_NONE;
    }
    static PF_Err checkoutOutput(PF_ProgPtr, PF_EffectWorld** world) {
        FakeHost& h = host();
        if (auto err = h.checkoutErrors.find(-1); err != h.checkoutErrors.end()) {
            return err->second;
        }
        *world = h.output ? &h.output->world : nullptr;
        return PF_Err_NONE;
    }
};

FakeLayer::FakeLayer(std::int32_t w, std::int32_t h, std::int32_t bytesPerPixel, std::uint8_t fill)
    : width(w), height(h), pixelBytes(bytesPerPixel) {
    const std::int32_t rowBytes = w * bytesPerPixel + padBytes;
    bytes.assign(std::size_t(rowBytes) * std::size_t(h), fill);
    world.data = bytes.data();
    world.rowbytes = rowBytes;
    world.width = w;
    world.height = h;
    world.pix_aspect_ratio = PF_RationalScale{1, 1};
    world.world_flags = bytesPerPixel == 8 ? PF_WorldFlag_DEEP : 0;
    extent = PF_LRect{0, 0, w, h};
}

FakeHost::FakeHost() {
    active = this;
    utils.host_new_handle = &Callbacks::newHandle;
    utils.host_lock_handle = &Callbacks::lockHandle;
    utils.host_unlock_handle = &Callbacks::unlockHandle;
    utils.host_dispose_handle = &Callbacks::disposeHandle;
    utils.host_get_handle_size = &Callbacks::handleSize;
    utils.ansi.sprintf = &Callbacks::hostSprintf;
    utils.ansi.strcpy = &Callbacks::hostStrcpy;
    basic.AcquireSuite = &Callbacks::acquireSuite;
    basic.ReleaseSuite = &Callbacks::releaseSuite;
    paramUtils.PF_UpdateParamUI = &Callbacks::updateParamUI;
    app.PF_AppGetBgColor = &Callbacks::appBackground;

    in.inter.progress = &Callbacks::progress;
    in.inter.add_param = &Callbacks::addParam;
    in.inter.checkout_param = &Callbacks::checkoutParam;
    in.inter.checkin_param = &Callbacks::checkinParam;
    in.utils = &utils;
    in.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
    in.version = PF_SpecVersion{13, 0};
    in.appl_id = PF_APPL_ID_AFTER_EFFECTS;
    in.local_time_step = 1;
    in.time_step = 1;
    in.time_scale = 24;
    in.downsample_x = PF_RationalScale{1, 1};
    in.downsample_y = PF_RationalScale{1, 1};
    in.pixel_aspect_ratio = PF_RationalScale{1, 1};
    in.pica_basicP = &basic;

    preCallbacks.checkout_layer = &Callbacks::checkoutLayer;
    preExtra = PF_PreRenderExtra{&preInput, &preOutput, &preCallbacks};
    preInput.bitdepth = 8;
    smartCallbacks.checkout_layer_pixels = &Callbacks::checkoutPixels;
    smartCallbacks.checkin_layer_pixels = &Callbacks::checkinPixels;
    smartCallbacks.checkout_output = &Callbacks::checkoutOutput;
    smartExtra = PF_SmartRenderExtra{&smartInput, &smartCallbacks};
    smartInput.bitdepth = 8;
}

FakeHost::~FakeHost() {
    active = nullptr;
}

void FakeHost::offerIterateGeneric(int processors) {
    iterateProcessors = processors;
    utils.iterate_generic = &Callbacks::iterate;
}

FakeHost* FakeHost::current() {
    return active;
}

int FakeHost::lockedCount() const {
    int locked = 0;
    for (const auto& [key, handle] : handles_) {
        locked += handle->locks > 0 ? 1 : 0;
    }
    return locked;
}

FakeLayer& FakeHost::addLayer(PF_ParamIndex index, std::int32_t w, std::int32_t h, std::int32_t pixelBytes,
                              std::uint8_t fill) {
    auto& slot = layers[index];
    slot = std::make_unique<FakeLayer>(w, h, pixelBytes, fill);
    in.width = index == 0 ? w : in.width;
    in.height = index == 0 ? h : in.height;
    return *slot;
}

void FakeHost::buildParams(int count) {
    paramValues.assign(std::size_t(count), PF_ParamDef{});
    paramPointers.clear();
    for (int i = 0; i < count; ++i) {
        if (auto it = layers.find(i); it != layers.end()) {
            paramValues[std::size_t(i)].u.ld = it->second->world;
        }
        paramPointers.push_back(&paramValues[std::size_t(i)]);
    }
    in.num_params = count;
}

} // namespace fakehost
