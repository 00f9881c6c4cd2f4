// output_file.h - where a tool's output goes.  The whole output is made in
// memory first; only then is anything written, so that a failure or a
// signal before the end leaves the target as it was.  Then:
//   "-"                  standard output;
//   a device, a FIFO     written through (never replaced);
//   an existing file     replaced keeping its mode and owner, or, where it
//                        has other hard links or another owner, rewritten in
//                        place so that every link sees the new bytes;
//   a new file           a temporary beside it renamed into place, so that
//                        it appears whole or not at all.
// Symbolic links are followed.  Signals are held back while a temporary
// exists, so that none is ever left behind and no handler is replaced.
#ifndef QUELM_TOOLS_OUTPUT_FILE_H
#define QUELM_TOOLS_OUTPUT_FILE_H

#include <cstdio>
#include <string>
#include <string_view>

namespace quelm_tool {

class OutputFile {
public:
    // Checks that the target can be written; throws Failure when it cannot,
    // so that a command fails before its slow part.
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Where the output is made (in memory).
    FILE *stream() const { return stream_; }
    const std::string &path() const { return path_; }
    // Writes out all that the stream holds; throws Failure on error and
    // std::bad_alloc when memory ran out.  Returns the number of bytes.
    size_t commit();

private:
    std::string path_;
    std::string target_;  // path_ with symbolic links followed
    FILE *stream_ = nullptr;
    char *buffer_ = nullptr;
    size_t size_ = 0;
};

// The lower-case extension of a path's file name, with its dot ("" for none).
std::string extension_of(std::string_view path);

// "wrote NAME (DETAIL, N KB)" on standard error, or "(N KB)" without detail.
void report_written(const std::string &path, size_t bytes, const std::string &detail);

}  // namespace quelm_tool

#endif
