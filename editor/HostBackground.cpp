#include "editor/HostBackground.h"

#include "hostapi/PF_Errors.h"
#include "hostapi/PF_Suites.h"
#include "hostapi/SPBasic.h"

namespace korvane {

namespace {

constexpr int kComponentShift = 8;

bool fromApplication(const PF_InData& in_data, std::array<std::uint8_t, 3>& rgb) {
    SPBasicSuite* basic = in_data.pica_basicP;
    if (basic == nullptr || basic->AcquireSuite == nullptr) {
        return false;
    }
    const void* suite = nullptr;
    if (basic->AcquireSuite(kPFAppSuite, kPFAppSuiteVersion2, &suite) != kSPNoError) {
        return false;
    }
    bool found = false;
    const auto* app = static_cast<const PF_AppSuite2*>(suite);
    PF_App_Color colour{};
    if (app != nullptr && app->PF_AppGetBgColor != nullptr && app->PF_AppGetBgColor(&colour) == PF_Err_NONE) {
        rgb = {static_cast<std::uint8_t>(colour.red >> kComponentShift),
               static_cast<std::uint8_t>(colour.green >> kComponentShift),
               static_cast<std::uint8_t>(colour.blue >> kComponentShift)};
        found = true;
    }
    if (basic->ReleaseSuite != nullptr) {
        basic->ReleaseSuite(kPFAppSuite, kPFAppSuiteVersion2);
    }
    return found;
}

} // namespace

std::array<std::uint8_t, 3> hostBackgroundColour(const PF_InData& in_data, const PF_PanelSurface& surface) {
    std::array<std::uint8_t, 3> rgb{surface.background[0], surface.background[1], surface.background[2]};
    fromApplication(in_data, rgb);
    return rgb;
}

} // namespace korvane
