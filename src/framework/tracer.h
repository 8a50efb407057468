// Diagnostics: formatted trace lines, for whoever listens.
#pragma once

#include "cstring.h"

class Tracer {
  public:
    virtual ~Tracer() = default;
    virtual void Trace(LPCTSTR text) = 0;
    // Whether anyone listens: when not, nothing needs formatting for Trace.
    virtual bool IsTracing() { return true; }
};

// The machine's own: the debugger's channel on Windows, standard error natively when
// TPX_TRACE=1.
Tracer& RealTracer();
