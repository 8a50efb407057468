#include "host.h"

namespace {
Host* g_pHost = nullptr;
}

Host& AfxGetHost() {
    return g_pHost != nullptr ? *g_pHost : RealHost();
}

HostScope::HostScope(Host& host) : m_pPrevious(g_pHost) {
    g_pHost = &host;
}

HostScope::~HostScope() {
    g_pHost = m_pPrevious;
}
