#include "platform/MdiHost.h"

namespace {
MdiHost* current = nullptr;
}

MdiHost* MdiHost::instance() {
    return current;
}

void MdiHost::setInstance(MdiHost* host) {
    current = host;
}
