// The frame of the distance matrix between the haplotypes of a sample, which
// each data type fills with its own distance: allocation, the progress hook
// and the stop test after every row, the largest distance, and the removal of
// a matrix that could not be completed. A distance must be a finite number
// within the integer classes of the mismatch distribution.

#include <climits>
#include <cmath>
#include <ctime>
#include <new>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "project/project_file_lines.h"

int PopGenetics::fill_distance_matrix(settings* run_settings, const char* indent,
                                      const char* where_failed, int rows,
                                      MatrixRow const& compute_row)
{
    const int n = haplotypes.count;
    num_haplotypes = n;
    delete HaplDistMat;
    HaplDistMat = nullptr;
    MaxPairDiff = 0;
    if (indent)
        *_ZOS_ << indent << "Beginning distance computations ...\n";
    std::clock_t start = std::clock();
    auto give_up = [this] {
        delete HaplDistMat;
        HaplDistMat = nullptr;
        return 0;
    };
    try {
        HaplDistMat = new RectMat(n, n);
        RectMat& d = *HaplDistMat;
        for (int i = 0; i < rows; ++i) {
            bool ok = compute_row(i);
            for (int j = 0; j < i && ok; ++j) {
                ok = std::isfinite(d(i, j)) && d(i, j) < INT_MAX;
                if (ok && MaxPairDiff < d(i, j))
                    MaxPairDiff = static_cast<int>(d(i, j));
            }
            if (!ok) {
                E.error(ERROR, where_failed, 136);
                return give_up();
            }
            settings::print_message();
            if (run_settings && run_settings->stop_requested)
                return give_up();
            d(i, i) = 0.0;
        }
    } catch (std::bad_alloc const&) {
        give_up();
        E.error(MEMORY, where_failed, 0);
        return 0;
    }
    if (indent)
        *_ZOS_ << indent << "done ! (" << milliseconds_since(start) << " ms)\n";
    return 1;
}
