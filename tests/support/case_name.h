#pragma once
// Names each instance of a parameterised test after the `name` field of its case, so that
// ctest lists `Slides/PitchSlide.MovesThePitchEveryTick/PortamentoUpStopsAt1728`:
//     INSTANTIATE_TEST_SUITE_P(Slides, PitchSlide, testing::Values(...), test::CaseName{});

#include <gtest/gtest.h>

#include <string>

namespace tarnwick::test {

struct CaseName {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& info) const {
        return info.param.name;
    }
};

}  // namespace tarnwick::test
