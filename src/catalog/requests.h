#pragma once
// Requests between windows. Windows never call each other: they post a request with a
// code and an argument to the main window (app requests) or the main window broadcasts
// one to its children (child requests). The request is handled after the current handler.
#include <cstdint>

#include "store/request_codes.h"

namespace vexa {

// Activation codes: which main command a list window disables while it is active.
enum ActivationCode : int {
    kActNut = 0,
    kActIns = 1,
    kActVals = 2,
    kActCat = 3,
    kActLR = 4,
    kActValN = 8,
    kActMM = 10,
    kActRel = 14,
};

// Code 6 argument: low half the activation code, high half 0 to disable, 1 to enable.
constexpr std::int64_t activationArg(int code, bool enable) {
    return code + (enable ? 65536 : 0);
}
constexpr std::int64_t packLowHigh(int low, int high) {
    return (static_cast<std::int64_t>(high & 0xFFFF) << 16) | (low & 0xFFFF);
}
constexpr int lowHalf(std::int64_t arg) {
    return static_cast<int>(arg & 0xFFFF);
}
constexpr int highHalf(std::int64_t arg) {
    return static_cast<int>((arg >> 16) & 0xFFFF);
}

// Where logic classes post their requests; the Qt side turns them into posted events.
class RequestSink {
public:
    virtual ~RequestSink() = default;
    virtual void postApp(int code, std::int64_t arg = 0) = 0;
};

RequestSink& requests();
void setRequests(RequestSink* sink);

}  // namespace vexa
