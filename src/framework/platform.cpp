#include "platform.h"

namespace {
Platform* g_pCurrent = nullptr;
}

Platform& Platform::Current() {
    return g_pCurrent != nullptr ? *g_pCurrent : Default();
}

Platform::Scope::Scope(Platform& platform) : m_pPrevious(g_pCurrent) {
    g_pCurrent = &platform;
}

Platform::Scope::~Scope() {
    g_pCurrent = m_pPrevious;
}
