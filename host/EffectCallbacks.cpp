#include "host/EffectCallbacks.h"

#include "host/EffectInstance.h"
#include "host/HostError.h"

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace kvhost {

namespace {

// Runs a callback body; an exception becomes an error code and a recorded fault.
template <typename Body>
PF_Err guarded(PF_ProgPtr ref, Body body) {
    EffectInstance* instance = EffectInstance::fromRef(ref);
    if (!instance) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    try {
        return body(*instance);
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (const std::exception& error) {
        instance->recordFault(error.what());
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    } catch (...) {
        instance->recordFault("unexpected exception in a host callback");
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

PF_Err checkoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long time, A_long step, A_u_long scale,
                     PF_ParamDef* param) {
    return guarded(ref, [&](EffectInstance& e) { return e.checkoutParam(index, time, step, scale, param); });
}

PF_Err checkinParam(PF_ProgPtr ref, PF_ParamDef* param) {
    return guarded(ref, [&](EffectInstance& e) { return e.checkinParam(param); });
}

PF_Err addParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDefPtr def) {
    return guarded(ref, [&](EffectInstance& e) { return e.addParam(index, def); });
}

PF_Err abortCallback(PF_ProgPtr ref) {
    return guarded(ref, [&](EffectInstance& e) { return e.abortStatus(); });
}

PF_Err progressCallback(PF_ProgPtr ref, A_long current, A_long total) {
    return guarded(ref, [&](EffectInstance& e) { return e.progress(current, total); });
}

PF_Err registerUI(PF_ProgPtr ref, PF_CustomUIInfo* info) {
    return guarded(ref, [&](EffectInstance& e) { return e.registerUI(info); });
}

A_long hostSprintf(A_char* buffer, const A_char* format, ...) {
    if (!buffer || !format) {
        return 0;
    }
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsprintf(buffer, format, arguments);
    va_end(arguments);
    return written;
}

A_char* hostStrcpy(A_char* dest, const A_char* src) {
    if (!dest || !src) {
        return dest;
    }
    return std::strcpy(dest, src);
}

PF_Handle newHandle(A_u_longlong size) {
    HostMemory* memory = HostMemory::active();
    return memory ? memory->newHandle(size) : nullptr;
}

void* lockHandle(PF_Handle handle) {
    HostMemory* memory = HostMemory::active();
    return memory ? memory->lock(handle) : nullptr;
}

void unlockHandle(PF_Handle handle) {
    if (HostMemory* memory = HostMemory::active()) {
        memory->unlock(handle);
    }
}

void disposeHandle(PF_Handle handle) {
    if (HostMemory* memory = HostMemory::active()) {
        memory->dispose(handle);
    }
}

A_u_longlong handleSize(PF_Handle handle) {
    HostMemory* memory = HostMemory::active();
    return memory ? memory->size(handle) : 0;
}

PF_Err resizeHandle(A_u_longlong size, PF_Handle* handle) {
    HostMemory* memory = HostMemory::active();
    return memory ? memory->resize(size, handle) : PF_Err_BAD_CALLBACK_PARAM;
}

// ---- memory callbacks of one instance each ----
constexpr std::size_t kMemorySlots = 64;
std::array<std::atomic<HostMemory*>, kMemorySlots> slotMemory{};
std::array<std::atomic<bool>, kMemorySlots> slotTaken{};

// The slot's memory while a command of its instance runs; else the memory made current otherwise (the
// host calling a plug-in callback outside a command, such as the pre-render data's deletion).
template <std::size_t Slot>
HostMemory* memoryOfSlot() {
    HostMemory* memory = slotMemory[Slot].load();
    return memory ? memory : HostMemory::active();
}

template <std::size_t Slot>
PF_Handle newHandleIn(A_u_longlong size) {
    HostMemory* memory = memoryOfSlot<Slot>();
    return memory ? memory->newHandle(size) : nullptr;
}

template <std::size_t Slot>
void* lockHandleIn(PF_Handle handle) {
    HostMemory* memory = memoryOfSlot<Slot>();
    return memory ? memory->lock(handle) : nullptr;
}

template <std::size_t Slot>
void unlockHandleIn(PF_Handle handle) {
    if (HostMemory* memory = memoryOfSlot<Slot>()) {
        memory->unlock(handle);
    }
}

template <std::size_t Slot>
void disposeHandleIn(PF_Handle handle) {
    if (HostMemory* memory = memoryOfSlot<Slot>()) {
        memory->dispose(handle);
    }
}

template <std::size_t Slot>
A_u_longlong handleSizeIn(PF_Handle handle) {
    HostMemory* memory = memoryOfSlot<Slot>();
    return memory ? memory->size(handle) : 0;
}

template <std::size_t Slot>
PF_Err resizeHandleIn(A_u_longlong size, PF_Handle* handle) {
    HostMemory* memory = memoryOfSlot<Slot>();
    return memory ? memory->resize(size, handle) : PF_Err_BAD_CALLBACK_PARAM;
}

struct MemoryCallbacks {
    decltype(PF_UtilCallbacks::host_new_handle) newHandle;
    decltype(PF_UtilCallbacks::host_lock_handle) lock;
    decltype(PF_UtilCallbacks::host_unlock_handle) unlock;
    decltype(PF_UtilCallbacks::host_dispose_handle) dispose;
    decltype(PF_UtilCallbacks::host_get_handle_size) size;
    decltype(PF_UtilCallbacks::host_resize_handle) resize;
};

template <std::size_t... Slot>
constexpr std::array<MemoryCallbacks, sizeof...(Slot)> memoryCallbackTable(std::index_sequence<Slot...>) {
    return {{MemoryCallbacks{newHandleIn<Slot>, lockHandleIn<Slot>, unlockHandleIn<Slot>, disposeHandleIn<Slot>,
                             handleSizeIn<Slot>, resizeHandleIn<Slot>}...}};
}

constexpr auto kSlotCallbacks = memoryCallbackTable(std::make_index_sequence<kMemorySlots>());

PF_Err checkoutLayer(PF_ProgPtr ref, PF_ParamIndex index, A_long checkoutId, const PF_RenderRequest* request,
                     A_long time, A_long step, A_u_long scale, PF_CheckoutResult* result) {
    return guarded(ref, [&](EffectInstance& e) {
        return e.checkoutLayer(index, checkoutId, request, time, step, scale, result);
    });
}

PF_Err checkoutLayerPixels(PF_ProgPtr ref, A_long checkoutId, PF_EffectWorld** pixels) {
    return guarded(ref, [&](EffectInstance& e) { return e.checkoutLayerPixels(checkoutId, pixels); });
}

PF_Err checkinLayerPixels(PF_ProgPtr ref, A_long checkoutId) {
    return guarded(ref, [&](EffectInstance& e) { return e.checkinLayerPixels(checkoutId); });
}

PF_Err checkoutOutput(PF_ProgPtr ref, PF_EffectWorld** output) {
    return guarded(ref, [&](EffectInstance& e) { return e.checkoutOutput(output); });
}

} // namespace

void installInteractCallbacks(PF_InteractCallbacks& inter) {
    inter.checkout_param = checkoutParam;
    inter.checkin_param = checkinParam;
    inter.add_param = addParam;
    inter.abort = abortCallback;
    inter.progress = progressCallback;
    inter.register_ui = registerUI;
}

void installCallbacks(PF_UtilCallbacks& utils) {
    utils.host_new_handle = newHandle;
    utils.host_lock_handle = lockHandle;
    utils.host_unlock_handle = unlockHandle;
    utils.host_dispose_handle = disposeHandle;
    utils.host_get_handle_size = handleSize;
    utils.host_resize_handle = resizeHandle;
    utils.iterate_generic = iterateGenericTrampoline;
    utils.ansi.sprintf = hostSprintf;
    utils.ansi.strcpy = hostStrcpy;
}

int takeMemorySlot(PF_UtilCallbacks& utils) {
    for (std::size_t slot = 0; slot < kMemorySlots; ++slot) {
        bool free = false;
        if (slotTaken[slot].compare_exchange_strong(free, true)) {
            const MemoryCallbacks& callbacks = kSlotCallbacks[slot];
            utils.host_new_handle = callbacks.newHandle;
            utils.host_lock_handle = callbacks.lock;
            utils.host_unlock_handle = callbacks.unlock;
            utils.host_dispose_handle = callbacks.dispose;
            utils.host_get_handle_size = callbacks.size;
            utils.host_resize_handle = callbacks.resize;
            return int(slot);
        }
    }
    return -1;
}

void releaseMemorySlot(int slot) {
    if (slot >= 0) {
        slotMemory[std::size_t(slot)].store(nullptr);
        slotTaken[std::size_t(slot)].store(false);
    }
}

MemorySlotBinding::MemorySlotBinding(int slot, HostMemory& memory) : slot_(slot) {
    if (slot_ >= 0) {
        previous_ = slotMemory[std::size_t(slot_)].exchange(&memory);
    }
}

MemorySlotBinding::~MemorySlotBinding() {
    if (slot_ >= 0) {
        slotMemory[std::size_t(slot_)].store(previous_);
    }
}

void installPreRenderCallbacks(PF_PreRenderCallbacks& callbacks) {
    callbacks.checkout_layer = checkoutLayer;
}

void installSmartRenderCallbacks(PF_SmartRenderCallbacks& callbacks) {
    callbacks.checkout_layer_pixels = checkoutLayerPixels;
    callbacks.checkin_layer_pixels = checkinLayerPixels;
    callbacks.checkout_output = checkoutOutput;
}

PF_Err updateParamUITrampoline(PF_ProgPtr ref, PF_ParamIndex index, const PF_ParamDef* def) {
    return guarded(ref, [&](EffectInstance& e) { return e.updateParamUI(index, def); });
}

// get_drawing_reference carries the event's context only: it belongs to the running instance.
PF_Err drawingReferenceTrampoline(PF_ContextH context, PF_DrawingRef* surface) {
    EffectInstance* instance = EffectInstance::running();
    if (!instance) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    try {
        return instance->drawingReference(context, surface);
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

// iterate_generic carries no effect reference: it belongs to the instance whose command is running.
PF_Err iterateGenericTrampoline(A_long iterations, void* refcon, PF_IterateGenericFunc function) {
    EffectInstance* instance = EffectInstance::running();
    if (!instance) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    try {
        return instance->iterateGeneric(iterations, refcon, function);
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

} // namespace kvhost
