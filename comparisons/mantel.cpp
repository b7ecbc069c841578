// The project's Mantel record: its construction and its emptying between
// the projects of a run list.

#include "comparisons/mantel.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <new>

const char* const Mantel::YTypes[Mantel::NumYTypes] = {
    "fst", "log_fst", "slatkinlinearfst", "log_slatkinlinearfst", "nm", "custom"};

Mantel::Mantel()
    : MatrixNumber(0), MatricesRead(0), NumPermDone(0), YMatrix("fst"), MatrixSize(0),
      undefined_why("")
{
    clear_statistics();
}

void Mantel::clear_statistics()
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    for (double* value : {&ZY1,    &ZY2,    &Z12,   &SPY1,   &SPY2,   &SP12,    &bY1,   &bY2,
                          &b12,    &b21,    &bY1_2, &bY2_1,  &rY1,    &rY2,     &r12,   &rY1_2,
                          &rY2_1,  &PrY1,   &PrY2,  &PrY1_2, &PrY2_1, &betaY1,  &betaY2,
                          &R2Y,    &UnexplY, &MeanY, &SSY,   &MeanX1, &SSX1,    &MeanX2,
                          &SSX2})
        *value = none;
    undefined_why = "";
    for (auto& counts : TestCounts)
        for (int& count : counts)
            count = 0;
}

void Mantel::reset()
{
    MatrixSize = 0;
    YMatrix = "fst";
    YMatrixLabels.reset();
    for (TriMat* matrix : {&Matrix1, &Matrix2, &MatrixY}) {
        matrix->initialize();
        matrix->constant_mode = 0;
    }
    MatrixNumber = 0;
    MatricesRead = 0;
    UsedYMatrixLabels.count = 0;
}

bool Mantel::size_fits(double size)
{
    // 65535 * 65536 / 2 cells is the last count below INT_MAX.
    if (!(size >= 0 && size < 65536))
        return false;
    std::size_t n = static_cast<std::size_t>(size);
    std::size_t cells = n * (n + 1) / 2;
    return std::unique_ptr<double[]>(new (std::nothrow) double[3 * cells]) != nullptr;
}
