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

}  // namespace vordanel::cli
