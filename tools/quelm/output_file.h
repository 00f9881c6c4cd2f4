// output_file.h - a file that appears whole or not at all: written to a
// temporary name in the same folder and renamed over the target at commit,
// removed if the tool gives up first.
#ifndef QUELM_TOOLS_OUTPUT_FILE_H
#define QUELM_TOOLS_OUTPUT_FILE_H

#include <cstdio>
#include <string>

namespace quelm_tool {

class OutputFile {
public:
    // Creates the temporary file; throws Failure when the folder is not
    // writable, so that a command fails before its slow part.
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    FILE *stream() const { return stream_; }
    const std::string &path() const { return path_; }
    // Flushes, closes and renames onto the target; throws Failure on error.
    void commit();

private:
    std::string path_;
    std::string temp_;
    FILE *stream_ = nullptr;
};

}  // namespace quelm_tool

#endif
