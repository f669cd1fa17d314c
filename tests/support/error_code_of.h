// The code of the xls::Error a step raises.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "xls/error.h"

namespace tarnvale::testing {

// The code raised, or nothing when the step completes.
inline std::optional<xls::ErrorCode> raisedCode(const std::function<void()>& step) {
    try {
        step();
    } catch (const xls::Error& e) {
        return e.code();
    }
    return std::nullopt;
}

// The code raised; a test failure when the step raises none.
inline xls::ErrorCode errorCodeOf(const std::function<void()>& step) {
    if (const auto code = raisedCode(step)) return *code;
    ADD_FAILURE() << "no error raised";
    return xls::ErrorCode::UnsupportedOperation;
}

}  // namespace tarnvale::testing
