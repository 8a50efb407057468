#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tracer.h"

namespace {

class StderrTracer : public Tracer {
  public:
    bool IsTracing() override {
        static const bool enabled = [] {
            const char* value = std::getenv("TPX_TRACE");
            return value != nullptr && std::strcmp(value, "1") == 0;
        }();
        return enabled;
    }
    void Trace(LPCTSTR text) override {
        if (IsTracing()) std::fputs(text, stderr);
    }
};

}  // namespace

Tracer& RealTracer() {
    static StderrTracer tracer;
    return tracer;
}
