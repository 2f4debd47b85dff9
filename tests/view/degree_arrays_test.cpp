#include "view/degree_arrays.h"

#include <gtest/gtest.h>

#include <set>

namespace tilt::view {
namespace {

TEST(DegreeArrays, BinsLandOnTheirDegreesWithBin66OnZero) {
    for (const auto& [bin, x, y] : {std::tuple{0, -180, -90},
                                    {1, -177, -89},
                                    {65, -2, -1},
                                    {66, 0, 0},
                                    {67, 3, 2},
                                    {130, 176, 88},
                                    {131, 178, 90}}) {
        EXPECT_EQ(degreeOfBinX(bin), x) << bin;
        EXPECT_EQ(degreeOfBinY(bin), y) << bin;
    }
    std::set<int> xs;
    std::set<int> ys;
    for (int bin = 0; bin < kBins; ++bin) {
        xs.insert(degreeOfBinX(bin));
        ys.insert(degreeOfBinY(bin));
    }
    EXPECT_EQ(xs.size(), 132U) << "one bin a degree";
    EXPECT_EQ(ys.size(), 132U);
}

TEST(DegreeArrays, CountsOneToOneHundredThirtyTwo_FillOnlyTheMappedDegrees) {
    PointArray x{};
    PointArray y{};
    for (int i = 0; i < kBins; ++i) {
        x[static_cast<std::size_t>(i)] = y[static_cast<std::size_t>(i)] = i + 1;
    }
    DegreeArrays d;
    convertPointArraysToDegreeArrays(x, y, d);
    EXPECT_EQ(d.atX(-180), 1);
    EXPECT_EQ(d.atX(-177), 2);
    EXPECT_EQ(d.atX(0), 67);
    EXPECT_EQ(d.atX(178), 132);
    for (const int empty : {-179, 179, 180}) {
        EXPECT_EQ(d.atX(empty), 0) << empty;
    }
    EXPECT_EQ(d.atY(90), 132);
    EXPECT_EQ(d.atY(0), 67);
    double total = 0;
    for (const double v : d.x) {
        total += v;
    }
    EXPECT_EQ(total, 132 * 133 / 2) << "every count lands somewhere, once";
}

}  // namespace
}  // namespace tilt::view
