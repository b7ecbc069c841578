// What the tests share for files on disk: a temporary folder that removes
// itself, the program's log opened in such a folder, and a test fixture with
// both, so that reports can be read back as the program wrote them.
#ifndef DROV_TESTS_SUPPORT_TEMP_LOG_H
#define DROV_TESTS_SUPPORT_TEMP_LOG_H

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>

// A fresh, empty folder under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();  // throws std::runtime_error when no folder can be made
    ~TempDir();
    TempDir(TempDir const&) = delete;
    TempDir& operator=(TempDir const&) = delete;

    std::filesystem::path const& path() const { return path_; }
    std::filesystem::path operator/(std::filesystem::path const& name) const { return path_ / name; }

    // Writes `text` byte for byte into the file `name` of the folder; returns its path.
    std::filesystem::path write_file(std::string const& name, std::string const& text) const;

private:
    std::filesystem::path path_;
};

// The program's log, "Drovalen_log.txt" in `folder`, open as long as the
// object lives. The report numbering starts again at 1, so that a test sees
// the same numbers whatever ran before it. Throws std::runtime_error when the
// log cannot be opened.
class TempLog {
public:
    explicit TempLog(std::filesystem::path const& folder);
    ~TempLog();
    TempLog(TempLog const&) = delete;
    TempLog& operator=(TempLog const&) = delete;

    std::filesystem::path const& path() const { return path_; }
    std::string text() const;  // all that was written so far
    std::string take();        // what was written since the last take()

private:
    std::filesystem::path path_;
    std::size_t taken_ = 0;
};

// Fixture of tests that check the log: each test gets its own folder `dir`
// with the log open in it; both are gone after the test.
class LogFolderTest : public ::testing::Test {
protected:
    TempDir temp_dir;
    std::filesystem::path dir = temp_dir.path();
    TempLog temp_log{dir};

    std::string log_text() const { return temp_log.text(); }
    std::string take_log() { return temp_log.take(); }
    std::filesystem::path write_file(std::string const& name, std::string const& text) const
    {
        return temp_dir.write_file(name, text);
    }
};

// The whole content of a file, byte for byte ("" when it cannot be read).
std::string read_text(std::filesystem::path const& path);

// How often `part` stands in `text`, overlapping places included.
int count_of(std::string const& text, std::string const& part);

#endif
