// The project's Mantel record: its construction, its emptying between the
// projects of a run list, and its form as a distance-matrix subsection.

#include "comparisons/mantel.h"

#include <cstddef>
#include <memory>
#include <new>

#include "model/dist_mat.h"

Mantel::Mantel() : MatrixNumber(0), MatricesRead(0), YMatrix("fst"), MatrixSize(0)
{
    logPermutations = true;
    simpleWhenCollinear = false;
    init_YTypes();
}

Mantel::Mantel(int n) : Mantel()
{
    for (TriMat* matrix : {&Matrix1, &Matrix2, &MatrixY})
        matrix->create(n);
}

void Mantel::init_YTypes()
{
    const char* const names[NumYTypes] = {"fst", "log_fst", "slatkinlinearfst",
                                          "log_slatkinlinearfst", "nm", "custom"};
    for (int t = 0; t < NumYTypes; ++t)
        YTypes[t] = names[t];
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

std::ostream& operator<<(std::ostream& os, Mantel& mantel)
{
    if (mantel.MatrixSize == 0)
        return os;
    write_distance_matrix_head(os, mantel.YMatrix, mantel.MatrixSize);
    write_label_line(os, mantel.YMatrixLabels.get(), mantel.MatrixSize);
    mantel.Matrix1.print_data(os);
    os << "\n\t\t}" << std::endl;
    return os;
}
