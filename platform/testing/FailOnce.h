// A fixture for failed file steps: while it lives, the next rename, move, copy or delete that
// names one path (as source or as target) fails once, before it changes anything, with the file
// error the system gives for `err`; every other file operation goes on as usual. With the write
// limit (WriteLimit.h) it lets a test make each step of a save, an import or an export fail:
//
//     drv::FailOnce failing(drv::FailOnce::Rename, project / "constnot.csv");
//     ... save through the window ...
//     EXPECT_TRUE(failing.Happened()); // the step was reached, and failed
//
// Rename is the step that puts a complete file in place of another (ReplaceFile); Move, Copy and
// Delete are MoveFile, CopyFile and DeleteFile; Flush is the system's flush of a new file to the
// disk before it takes the name `path` (a copy's or a replacement's), failing as a disk that
// cannot write it out. Paths are compared absolute and normalised, not
// through links.
#pragma once

#include <cerrno>
#include <filesystem>
#include <string>

namespace platform::testing {

class FailOnce {
public:
    enum Operation { Rename, Move, Copy, Delete, Flush };

    FailOnce(Operation operation, const std::filesystem::path& path, int err = EIO);
    ~FailOnce();
    FailOnce(const FailOnce&) = delete;
    FailOnce& operator=(const FailOnce&) = delete;

    // Whether the planned operation was reached (and failed).
    bool Happened() const;
};

} // namespace platform::testing
