#include "host/EffectCallbacks.h"

#include "host/EffectInstance.h"
#include "host/HostMemory.h"

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace kvhost {

namespace {

enum class Refused { badCall, outOfMemory, failed };

// What a callback answers when it is refused: called without an instance to belong to, out of memory,
// or failed inside the host.
template <typename Result>
struct Refusal {
    Result badCall{};
    Result outOfMemory{};
    Result failed{};
    Result answer(Refused why) const {
        return why == Refused::badCall ? badCall : why == Refused::outOfMemory ? outOfMemory : failed;
    }
};
constexpr Refusal<PF_Err> kErrorCode{PF_Err_BAD_CALLBACK_PARAM, PF_Err_OUT_OF_MEMORY,
                                     PF_Err_INTERNAL_STRUCT_DAMAGED};
// A null handle or pointer, a size or a length of 0.
template <typename Result>
constexpr Refusal<Result> kNothing{};
// For the callbacks that answer nothing.
struct Silence {
    void answer(Refused) const {}
};
constexpr Silence kSilence{};

// Every callback runs its body through here, for what it belongs to: the effect instance, or for the
// memory callbacks the memory made current (also between commands, for the deletion of pre-render data).
// A call that reaches nothing is refused and recorded as a fault of the instance whose command is running;
// an exception becomes a recorded fault (running out of memory is no fault of the plug-in's) and a refusal.
template <typename Owner, typename Answers, typename Body>
auto guarded(Owner* owner, const char* callback, const Answers& answers, Body body) {
    if (!owner) {
        if (EffectInstance* running = EffectInstance::running()) {
            running->recordFault(std::string(callback) + " with an effect reference that names no instance");
        }
        return answers.answer(Refused::badCall);
    }
    try {
        return body(*owner);
    } catch (const std::bad_alloc&) {
        return answers.answer(Refused::outOfMemory);
    } catch (const std::exception& error) {
        owner->recordFault(std::string(callback) + ": " + error.what());
    } catch (...) {
        owner->recordFault(std::string(callback) + ": unexpected exception");
    }
    return answers.answer(Refused::failed);
}

// The callbacks that carry no effect reference belong to the instance whose command is running.
EffectInstance* running() {
    return EffectInstance::running();
}

PF_Err checkoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long time, A_long step, A_u_long scale,
                     PF_ParamDef* param) {
    return guarded(EffectInstance::fromRef(ref), "checkout_param", kErrorCode,
                   [&](EffectInstance& e) { return e.checkoutParam(index, time, step, scale, param); });
}

PF_Err checkinParam(PF_ProgPtr ref, PF_ParamDef* param) {
    return guarded(EffectInstance::fromRef(ref), "checkin_param", kErrorCode,
                   [&](EffectInstance& e) { return e.checkinParam(param); });
}

PF_Err addParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDefPtr def) {
    return guarded(EffectInstance::fromRef(ref), "add_param", kErrorCode,
                   [&](EffectInstance& e) { return e.addParam(index, def); });
}

PF_Err abortCallback(PF_ProgPtr ref) {
    return guarded(EffectInstance::fromRef(ref), "abort", kErrorCode,
                   [&](EffectInstance& e) { return e.abortStatus(); });
}

PF_Err progressCallback(PF_ProgPtr ref, A_long current, A_long total) {
    return guarded(EffectInstance::fromRef(ref), "progress", kErrorCode,
                   [&](EffectInstance& e) { return e.progress(current, total); });
}

PF_Err registerUI(PF_ProgPtr ref, PF_CustomUIInfo* info) {
    return guarded(EffectInstance::fromRef(ref), "register_ui", kErrorCode,
                   [&](EffectInstance& e) { return e.registerUI(info); });
}

A_long hostSprintf(A_char* buffer, const A_char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const A_long written = guarded(running(), "sprintf", kNothing<A_long>, [&](EffectInstance& e) -> A_long {
        if (!buffer || !format) {
            e.recordFault("sprintf without a buffer or a format");
            return 0;
        }
        return std::vsprintf(buffer, format, arguments);
    });
    va_end(arguments);
    return written;
}

A_char* hostStrcpy(A_char* dest, const A_char* src) {
    return guarded(running(), "strcpy", Refusal<A_char*>{dest, dest, dest}, [&](EffectInstance& e) {
        if (!dest || !src) {
            e.recordFault("strcpy without a destination or a source");
            return dest;
        }
        return std::strcpy(dest, src);
    });
}

// The memory callbacks reach the memory made current for a command (or for the deletion of pre-render
// data after one); the memory records a bad handle itself.
HostMemory* memory() {
    return HostMemory::active();
}

PF_Handle newHandleIn(HostMemory* memory, A_u_longlong size) {
    return guarded(memory, "host_new_handle", kNothing<PF_Handle>,
                   [&](HostMemory& m) { return m.newHandle(size); });
}

void* lockHandleIn(HostMemory* memory, PF_Handle handle) {
    return guarded(memory, "host_lock_handle", kNothing<void*>,
                   [&](HostMemory& m) { return m.lock(handle); });
}

void unlockHandleIn(HostMemory* memory, PF_Handle handle) {
    guarded(memory, "host_unlock_handle", kSilence, [&](HostMemory& m) { m.unlock(handle); });
}

void disposeHandleIn(HostMemory* memory, PF_Handle handle) {
    guarded(memory, "host_dispose_handle", kSilence, [&](HostMemory& m) { m.dispose(handle); });
}

A_u_longlong handleSizeIn(HostMemory* memory, PF_Handle handle) {
    return guarded(memory, "host_get_handle_size", kNothing<A_u_longlong>,
                   [&](HostMemory& m) -> A_u_longlong { return m.size(handle); });
}

PF_Err resizeHandleIn(HostMemory* memory, A_u_longlong size, PF_Handle* handle) {
    return guarded(memory, "host_resize_handle", kErrorCode,
                   [&](HostMemory& m) { return m.resize(size, handle); });
}

PF_Handle newHandle(A_u_longlong size) {
    return newHandleIn(memory(), size);
}

void* lockHandle(PF_Handle handle) {
    return lockHandleIn(memory(), handle);
}

void unlockHandle(PF_Handle handle) {
    unlockHandleIn(memory(), handle);
}

void disposeHandle(PF_Handle handle) {
    disposeHandleIn(memory(), handle);
}

A_u_longlong handleSize(PF_Handle handle) {
    return handleSizeIn(memory(), handle);
}

PF_Err resizeHandle(A_u_longlong size, PF_Handle* handle) {
    return resizeHandleIn(memory(), size, handle);
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
PF_Handle newHandleInSlot(A_u_longlong size) {
    return newHandleIn(memoryOfSlot<Slot>(), size);
}

template <std::size_t Slot>
void* lockHandleInSlot(PF_Handle handle) {
    return lockHandleIn(memoryOfSlot<Slot>(), handle);
}

template <std::size_t Slot>
void unlockHandleInSlot(PF_Handle handle) {
    unlockHandleIn(memoryOfSlot<Slot>(), handle);
}

template <std::size_t Slot>
void disposeHandleInSlot(PF_Handle handle) {
    disposeHandleIn(memoryOfSlot<Slot>(), handle);
}

template <std::size_t Slot>
A_u_longlong handleSizeInSlot(PF_Handle handle) {
    return handleSizeIn(memoryOfSlot<Slot>(), handle);
}

template <std::size_t Slot>
PF_Err resizeHandleInSlot(A_u_longlong size, PF_Handle* handle) {
    return resizeHandleIn(memoryOfSlot<Slot>(), size, handle);
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
    return {
        {MemoryCallbacks{newHandleInSlot<Slot>, lockHandleInSlot<Slot>, unlockHandleInSlot<Slot>,
                         disposeHandleInSlot<Slot>, handleSizeInSlot<Slot>, resizeHandleInSlot<Slot>}...}};
}

constexpr auto kSlotCallbacks = memoryCallbackTable(std::make_index_sequence<kMemorySlots>());

PF_Err checkoutLayer(PF_ProgPtr ref, PF_ParamIndex index, A_long checkoutId, const PF_RenderRequest* request,
                     A_long time, A_long step, A_u_long scale, PF_CheckoutResult* result) {
    return guarded(EffectInstance::fromRef(ref), "checkout_layer", kErrorCode, [&](EffectInstance& e) {
        return e.checkoutLayer(index, checkoutId, request, time, step, scale, result);
    });
}

PF_Err checkoutLayerPixels(PF_ProgPtr ref, A_long checkoutId, PF_EffectWorld** pixels) {
    return guarded(EffectInstance::fromRef(ref), "checkout_layer_pixels", kErrorCode,
                   [&](EffectInstance& e) { return e.checkoutLayerPixels(checkoutId, pixels); });
}

PF_Err checkinLayerPixels(PF_ProgPtr ref, A_long checkoutId) {
    return guarded(EffectInstance::fromRef(ref), "checkin_layer_pixels", kErrorCode,
                   [&](EffectInstance& e) { return e.checkinLayerPixels(checkoutId); });
}

PF_Err checkoutOutput(PF_ProgPtr ref, PF_EffectWorld** output) {
    return guarded(EffectInstance::fromRef(ref), "checkout_output", kErrorCode,
                   [&](EffectInstance& e) { return e.checkoutOutput(output); });
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
    return guarded(EffectInstance::fromRef(ref), "PF_UpdateParamUI", kErrorCode,
                   [&](EffectInstance& e) { return e.updateParamUI(index, def); });
}

// get_drawing_reference carries the event's context only: it belongs to the running instance.
PF_Err drawingReferenceTrampoline(PF_ContextH context, PF_DrawingRef* surface) {
    return guarded(running(), "get_drawing_reference", kErrorCode,
                   [&](EffectInstance& e) { return e.drawingReference(context, surface); });
}

// iterate_generic carries no effect reference: it belongs to the instance whose command is running.
PF_Err iterateGenericTrampoline(A_long iterations, void* refcon, PF_IterateGenericFunc function) {
    return guarded(running(), "iterate_generic", kErrorCode,
                   [&](EffectInstance& e) { return e.iterateGeneric(iterations, refcon, function); });
}

} // namespace kvhost
