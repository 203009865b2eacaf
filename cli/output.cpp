#include "output.h"

#include "vordanel/numtext.h"

#include <charconv>

namespace vordanel::cli {

Output& Output::number(double value)
{
    char text[32];
    buffer_.append(text, writeDisplayText(text, text + sizeof text, value));
    return *this;
}

Output& Output::integer(long long value)
{
    char text[24];
    buffer_.append(text, std::to_chars(text, text + sizeof text, value).ptr);
    return *this;
}

bool Output::flush()
{
    if (!failed_ && !buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
        failed_ = true;
    buffer_.clear();
    if (!failed_ && (std::fflush(file_) != 0 || std::ferror(file_))) failed_ = true;
    return !failed_;
}

}  // namespace vordanel::cli
