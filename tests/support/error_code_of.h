// The code of the xls::Error a step raises; a test failure when it raises none.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "xls/error.h"

namespace tarnvale::testing {

inline xls::ErrorCode errorCodeOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const xls::Error& e) {
        return e.code();
    }
    ADD_FAILURE() << "no error raised";
    return xls::ErrorCode::UnsupportedOperation;
}

}  // namespace tarnvale::testing
