// A cell of a table of right-aligned columns: a blank, then the value
// right-aligned in the rest of the cell (`out << Column{12} << x`). A value
// as wide as its column, or wider, still stays apart from the one before;
// one narrower than the cell is written as by std::setw(width).
#ifndef DROV_CORE_COLUMN_H
#define DROV_CORE_COLUMN_H

#include <iomanip>
#include <ostream>

struct Column {
    int width;
};

inline std::ostream& operator<<(std::ostream& os, Column c)
{
    return os << ' ' << std::setw(c.width - 1);
}

#endif
