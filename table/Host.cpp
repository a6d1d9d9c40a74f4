#include "table/Host.h"

#include <chrono>

uint32_t HHost::TickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace {
HHost gDefaultHost;
HHost* gHost = &gDefaultHost;
}  // namespace

HHost& Host() { return *gHost; }

void InstallHost(HHost* host) { gHost = host ? host : &gDefaultHost; }
