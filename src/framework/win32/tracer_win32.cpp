#include "tracer.h"

namespace {

// The debugger's channel: read by a debugger or a monitor, free when nobody listens.
class DebugTracer : public Tracer {
  public:
    void Trace(LPCTSTR text) override { ::OutputDebugStringA(text); }
};

}  // namespace

Tracer& RealTracer() {
    static DebugTracer tracer;
    return tracer;
}
