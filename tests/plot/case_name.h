// A table row's name as a test name: every character that is no letter or digit becomes '_'.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace vemtora::plot::testing {

struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        std::string name = info.param.name;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    }
};

}  // namespace vemtora::plot::testing
