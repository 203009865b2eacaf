#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vordanel::cli {

// Text on its way to a stream, gathered in one buffer and written in large blocks. Every block
// written is checked: output that did not reach its destination (a full disk, a closed pipe) is
// a failure the command reports, never a silent loss.
class Output
{
public:
    explicit Output(std::FILE* file) : file_(file) { buffer_.reserve(blockSize + 64); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Inline: a table writes a dozen pieces a row, a million rows a run.
    Output& operator<<(std::string_view text)
    {
        buffer_.append(text);
        return *this;
    }
    Output& operator<<(char c)
    {
        buffer_.push_back(c);
        return *this;
    }
    Output& operator<<(int value) { return integer(value); }
    // A number as the window displays it (15 significant digits, a decimal point).
    Output& number(double value);
    Output& integer(long long value);

    // Hands the buffer to the stream once it holds a block; false once anything failed.
    bool flushIfFull() { return buffer_.size() < blockSize ? !failed_ : flush(); }
    // Hands everything to the stream and the stream to the system; false once anything failed.
    bool flush();
    bool failed() const { return failed_; }

private:
    static constexpr std::size_t blockSize = 1 << 16;
    std::FILE* file_;
    std::string buffer_;
    bool failed_ = false;
};

// Where a command's output goes: standard output as it was handed over, or the file -o names.
// A file is written beside itself under a temporary name, flushed to the disk and renamed over
// the old one only once whole, so that a run that fails, is killed or fills the disk leaves the
// old file as it was, and two runs at once leave one run's whole output. Neither may be the
// command's own input (the same file by device and inode, however it is named): reading a file
// while writing over it destroys it.
class Destination
{
public:
    Destination() = default;
    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;
    ~Destination();  // a temporary file never committed is removed

    // Opens `path` ("" or "-": `standardOutput`) for `command`; `input`, where given, is what the
    // command reads, named `inputName` in messages. False, with one line on `err`, when refused.
    bool open(const std::string& path, std::FILE* standardOutput, std::FILE* err, const char* command,
              std::FILE* input = nullptr, const std::string& inputName = {});
    std::FILE* stream() const { return stream_; }
    bool toFile() const { return !temporary_.empty(); }

    // Makes the output whole: flushed, synced and renamed over the file. Returns `status`, or
    // Failure with one line naming the file where it could not be written.
    int commit(std::FILE* err, int status);
    // Output that did not arrive: one line naming where it went, the file left as it was; Failure.
    int lost(std::FILE* err);

private:
    void discard();
    std::FILE* stream_ = nullptr;
    std::string command_, target_, temporary_, shownName_;
};

// Whether two open streams are the same file (device and inode), as a regular file.
bool sameFile(std::FILE* a, std::FILE* b);

}  // namespace vordanel::cli
