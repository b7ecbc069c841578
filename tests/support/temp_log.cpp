#include "support/temp_log.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "core/errors.h"

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "drov_test_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder from " + pattern);
    path_ = pattern;
}

TempDir::~TempDir()
{
    // A destructor must not throw: a folder that cannot be removed is left behind.
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::write_file(std::string const& name, std::string const& text) const
{
    std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

TempLog::TempLog(std::filesystem::path const& folder) : path_(folder / "Drovalen_log.txt")
{
    E.init_log_file(path_.string().c_str(), false);
    if (E.log_open != 1)
        throw std::runtime_error("cannot open the log " + path_.string());
    E.error(WARNING, "reset", -1);
}

TempLog::~TempLog()
{
    E.CloseLog_file();
}

std::string TempLog::text() const
{
    _ZOS_->flush();
    return read_text(path_);
}

std::string TempLog::take()
{
    std::string all = text();
    std::string fresh = all.substr(std::min(taken_, all.size()));
    taken_ = all.size();
    return fresh;
}

std::string read_text(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

int count_of(std::string const& text, std::string const& part)
{
    int found = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}
