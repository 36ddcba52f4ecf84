#include "framework/BasicSuite.h"

#include <atomic>

namespace korvane {
namespace {

// Every call stores the same host value; the host may call from several threads at once.
std::atomic<SPBasicSuite*> processBasicSuite{nullptr};

} // namespace

void setBasicSuite(SPBasicSuite* suite) {
    processBasicSuite.store(suite);
}

SPBasicSuite* basicSuite() {
    return processBasicSuite.load();
}

} // namespace korvane
