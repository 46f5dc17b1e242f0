// Names each case of a parameterised suite after its record's `name`, so a failure says which row.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace harness {

struct CaseName {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& test) const {
        return test.param.name;
    }
};

}  // namespace harness
