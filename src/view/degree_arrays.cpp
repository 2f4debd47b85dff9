#include "view/degree_arrays.h"

#include "common/rounding.h"

namespace tilt::view {

int degreeOfBinX(int bin) {
    return static_cast<int>(roundHalfEven(bin * (361.0 / 132.0) - 180.0));
}

int degreeOfBinY(int bin) {
    return static_cast<int>(roundHalfEven(bin * (181.0 / 132.0) - 90.0));
}

void convertPointArraysToDegreeArrays(const PointArray& pointX, const PointArray& pointY,
                                      DegreeArrays& degrees) {
    for (int bin = 0; bin < kBins; ++bin) {
        const auto i = static_cast<std::size_t>(bin);
        degrees.x[static_cast<std::size_t>(degreeOfBinX(bin) + 180)] = pointX[i];
        degrees.y[static_cast<std::size_t>(degreeOfBinY(bin) + 90)] = pointY[i];
    }
}

}  // namespace tilt::view
