// The distance matrix: its life cycle (sizing, reset, copy) and its writer.
// The readers are in dist_mat_reader.cpp (line syntax) and
// dist_mat_keyword_reader.cpp (older keyword syntax).

#include "model/dist_mat.h"

#include <climits>
#include <cmath>
#include <memory>
#include <new>

#include "app/glbobj.h"
#include "core/errors.h"
#include "core/xml.h"
#include "model/subsection_support.h"
#include "project/result_tree.h"

DistMat::DistMat() : DistMat(0) {}

DistMat::DistMat(int const& n)
    : TriMat(n), profile(), label_position(LINE), name(), size(0), labels(nullptr)
{
}

DistMat::DistMat(DistMat const& other) : DistMat()
{
    *this = other;
}

DistMat::~DistMat()
{
    delete[] labels;
}

void DistMat::replace_labels(int count)
{
    delete[] labels;
    labels = count > 0 ? new my_string[count] : nullptr;
}

void DistMat::ensure_labels()
{
    if (labels == nullptr && n > 0) {
        replace_labels(n);
        size = n;
    }
}

DistMat& DistMat::operator=(DistMat const& other)
{
    if (this == &other)
        return *this;
    reset();
    profile = other.profile;
    name = other.name;
    size = other.size;
    label_position = other.label_position;
    if (other.labels != nullptr) {
        replace_labels(size);
        for (int i = 0; i < size; ++i)
            labels[i] = other.labels[i];
    }
    TriMat::operator=(other);
    return *this;
}

void DistMat::reset()
{
    size = 0;
    name = "";
    replace_labels(0);
    initialize();
    constant_mode = 0;
}

// Every value of the matrix must be countable by an int, as the rest of the
// program counts them, and the memory must be there: a size from a project
// file is refused before anything is allocated rather than ending the run.
int DistMat::create_matrix(double rows_wanted, const char* reporter)
{
    const double largest = 65535;  // 65535 * 65536 / 2 cells is the last count below INT_MAX
    if (!std::isfinite(rows_wanted) || rows_wanted < 1 || rows_wanted >= largest + 1) {
        E.error(ERROR, reporter, 15);
        return 0;
    }
    int rows_count = static_cast<int>(rows_wanted);
    std::size_t cells = static_cast<std::size_t>(rows_count) * (rows_count + 1) / 2;
    if (std::unique_ptr<double[]>(new (std::nothrow) double[cells]) == nullptr) {
        E.error(ERROR, reporter, 15);
        return 0;
    }
    create(rows_count);
    size = rows_count;
    return 1;
}

int DistMat::initializeMatrixAndArrays(double const& rows_wanted)
{
    if (!create_matrix(rows_wanted, "DistMat::initializeMatrixAndArrays()"))
        return 0;
    replace_labels(size);
    return 1;
}

my_string DistMat::build_ext_name(my_string const& file_name)
{
    return external_file_name(profile, file_name);
}

namespace {

// A name or label of the subsection, escaped in the results.
void write_text(std::ostream& os, my_string const& text, bool in_results)
{
    if (in_results)
        os << result_text(text);
    else
        os << text;
}

}  // namespace

void write_distance_matrix_head(std::ostream& os, my_string const& name, int size,
                                bool in_results)
{
    os << "\t[[DistanceMatrix]]\n\n";
    os << "\t\tMatrixName= \"";
    write_text(os, name, in_results);
    os << "\"\n";
    os << "\t\tMatrixSize= " << size << "\n";
    os << "\t\tLabelPosition=" << "LINE" << "\n";
    os << "\t\tMatrixData={\n";
}

void write_label_line(std::ostream& os, my_string const* labels, int size, bool in_results)
{
    os << std::endl;
    if (labels != nullptr) {
        for (int i = 0; i < size; ++i) {
            write_text(os, labels[i], in_results);
            os << ' ';
        }
    }
    os << std::endl;
}

std::ostream& operator<<(std::ostream& os, DistMat& DM)
{
    write_distance_matrix(os, DM, false);
    return os;
}

void write_distance_matrix(std::ostream& os, DistMat& DM, bool in_results)
{
    if (DM.size == 0)
        return;
    write_distance_matrix_head(os, DM.name, DM.size, in_results);
    if (DM.labels == nullptr)
        E.error(INFO, "operator <<(ostream& os, DistMat& DM)", 11);
    write_label_line(os, DM.labels, DM.size, in_results);
    if (DM.constant_mode) {
        os << "\nConventional FST Matrix: Dij=1 if i!=j and O else:\n" << std::endl;
    } else {
        TXmlTag tag("hapDistMatrix");
        if (xmlOutput)
            os << tag.open() << '\n';
        DM.print_data(os);
        if (xmlOutput)
            os << tag.close() << '\n';
    }
    os << "\n\t\t}" << std::endl;
}
