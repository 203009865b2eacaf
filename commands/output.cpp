#include "output.h"

#include "vordanel/numtext.h"

#include "words.h"

#include <charconv>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace vordanel::cli {

namespace {

bool identity(int fd, struct stat& st) { return fd >= 0 && ::fstat(fd, &st) == 0; }

std::string quotedName(const std::string& name) { return "'" + name + "'"; }

}  // namespace

bool sameFile(std::FILE* a, std::FILE* b)
{
    struct stat sa {}, sb {};
    if (!a || !b || !identity(::fileno(a), sa) || !identity(::fileno(b), sb)) return false;
    // A terminal, a pipe or /dev/null may well be both: only a file's bytes can be overwritten.
    return S_ISREG(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

Destination::~Destination() { discard(); }

void Destination::discard()
{
    if (temporary_.empty()) return;
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
    ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool Destination::open(const std::string& path, std::FILE* standardOutput, std::FILE* err, const char* command,
                       std::FILE* input, const std::string& inputName)
{
    command_ = command;
    const std::string shownInput = inputName.empty() || inputName == "-" ? "standard input" : quotedName(inputName);
    struct stat in {};
    const bool inputKnown = input && identity(::fileno(input), in) && S_ISREG(in.st_mode);
    if (path.empty() || path == "-") {
        if (input && sameFile(input, standardOutput)) {
            if (inputName.empty() || inputName == "-")
                std::fprintf(err, "vordanel-cli: %s: standard output is the same file as standard input; nothing written "
                                  "(write the result to another file)\n", command);
            else
                std::fprintf(err, "vordanel-cli: %s: standard output is the input file %s; nothing written (write the "
                                  "result to another file)\n", command, shownInput.c_str());
            return false;
        }
        stream_ = standardOutput;
        shownName_.clear();
        return true;
    }
    // A link is followed: the file it points at is replaced, the link stays.
    target_ = path;
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists) {
        if (char* real = ::realpath(path.c_str(), nullptr)) target_ = real, std::free(real);
        if (inputKnown && existing.st_dev == in.st_dev && existing.st_ino == in.st_ino) {
            std::fprintf(err, "vordanel-cli: %s: the output %s is the input file %s; nothing written (write the result to "
                              "another file)\n", command, quotedName(path).c_str(), shownInput.c_str());
            return false;
        }
        if (S_ISDIR(existing.st_mode)) {
            std::fprintf(err, "vordanel-cli: %s: cannot write %s: it is a directory\n", command, quotedName(path).c_str());
            return false;
        }
    }
    shownName_ = quotedName(path);
    const auto slash = target_.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target_.substr(0, slash);
    const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string name = folder + "/." + base + ".XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        std::fprintf(err, "vordanel-cli: %s: cannot write %s: %s (no temporary file beside it)\n", command,
                     shownName_.c_str(), std::strerror(errno));
        return false;
    }
    temporary_ = name;
    // The new file gets the old one's permissions, or a new file's.
    mode_t mode = 0;
    if (exists) mode = existing.st_mode & 07777;
    else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    stream_ = ::fdopen(fd, "wb");
    if (!stream_) {
        ::close(fd);
        discard();
        std::fprintf(err, "vordanel-cli: %s: cannot write %s: %s\n", command, shownName_.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

int Destination::lost(std::FILE* err)
{
    const int error = errno ? errno : EIO;
    if (!toFile()) return lostOutput(err);
    std::fprintf(err, "vordanel-cli: %s: the output could not be written to %s: %s; the file is left as it was\n",
                 command_.c_str(), shownName_.c_str(), std::strerror(error));
    discard();
    return Failure;
}

int Destination::commit(std::FILE* err, int status)
{
    if (!toFile()) return finish(stream_, err, status);
    errno = 0;
    bool whole = std::fflush(stream_) == 0 && !std::ferror(stream_);
#ifndef __EMSCRIPTEN__
    whole = whole && ::fsync(::fileno(stream_)) == 0;
#endif
    const int closed = std::fclose(stream_);
    stream_ = nullptr;
    whole = whole && closed == 0;
    if (!whole || std::rename(temporary_.c_str(), target_.c_str()) != 0) return lost(err);
    temporary_.clear();
#ifndef __EMSCRIPTEN__
    // The rename itself reaches the disk with the folder's entry.
    const auto slash = target_.find_last_of('/');
    const int folder = ::open(slash == std::string::npos ? "." : slash == 0 ? "/" : target_.substr(0, slash).c_str(), O_RDONLY);
    if (folder >= 0) ::fsync(folder), ::close(folder);
#endif
    return status;
}

}  // namespace vordanel::cli
