// The binary matrix files that BnumMat and RectMat read, written for the
// tests: two 32-bit sizes, then the values as doubles, in the machine's byte order.
#ifndef DROV_TESTS_CORE_BINARY_MATRIX_FILE_H
#define DROV_TESTS_CORE_BINARY_MATRIX_FILE_H

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// Writes the file at `path` (the sizes are n and k for a BnumMat, rows and
// columns for a RectMat); returns its path.
inline std::string write_binary(std::filesystem::path const& path, std::int32_t first,
                                std::int32_t second, std::vector<double> const& values)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&first), sizeof first);
    out.write(reinterpret_cast<const char*>(&second), sizeof second);
    out.write(reinterpret_cast<const char*>(values.data()),
              static_cast<std::streamsize>(values.size() * sizeof(double)));
    return path.string();
}

#endif
