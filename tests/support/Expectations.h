#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string_view>

#include "common/Failure.h"

namespace tesselin::testing {

// Success when the action throws a Failure with this number whose
// description contains `text`.
inline ::testing::AssertionResult failsWith(const std::function<void()>& action,
                                            std::int32_t number, std::string_view text) {
    try {
        action();
    } catch (const Failure& failure) {
        if (failure.number() == number && failure.description().find(text) != std::string::npos) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "failed with " << failure.number() << ": " << failure.description();
    }
    return ::testing::AssertionFailure() << "did not fail";
}

}  // namespace tesselin::testing

// Expects the statement to fail with this failure number and a description
// that contains the text.
#define EXPECT_FAILURE(statement, number, text) \
    EXPECT_TRUE(::tesselin::testing::failsWith([&] { statement; }, number, text))
