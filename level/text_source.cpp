#include "level/text_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace cw {

namespace {

std::int64_t modifiedNs(const struct stat& st) {
    return std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
}

std::string mebibytes(std::int64_t bytes) {
    return std::to_string(bytes >> 20) + " MiB";
}

} // namespace

bool readAllLimited(int fd, const std::string& name, std::int64_t limit, std::string& text,
                    std::string& error) {
    text.clear();
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            error = "cannot read " + name + ": " + std::strerror(errno);
            return false;
        }
        if (got == 0) return true;
        if (static_cast<std::int64_t>(text.size()) + got > limit) {
            error = name + " holds more than " + mebibytes(limit) +
                    ", the most that is read from a pipe or device";
            text.clear();
            return false;
        }
        text.append(chunk.data(), static_cast<std::size_t>(got));
    }
}

long readRegularFile(const std::string& path, char* into, long count) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    long done = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        done = 0;
        while (done < count) {
            const ssize_t got = ::read(fd, into + done, static_cast<std::size_t>(count - done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            done += got;
        }
    }
    ::close(fd);
    return done;
}

TextSource::~TextSource() {
    close();
}

void TextSource::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    inMemory_ = false;
    memory_.clear();
    memory_.shrink_to_fit();
    size_ = 0;
}

bool TextSource::open(const std::string& path) {
    close();
    error_.clear();
    name_ = path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error_ = "cannot read " + path + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error_ = "cannot read " + path + ": it is a folder";
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        std::string text;
        const bool read = readAllLimited(fd, path, MemoryTextLimit, text, error_);
        ::close(fd);
        if (!read) return false;
        hold(std::move(text));
        return true;
    }
    if (st.st_size >= FileTextLimit) {
        error_ = path + " is larger than " + mebibytes(FileTextLimit) + ", the most a level file may hold";
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = st.st_size;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    modifiedNs_ = modifiedNs(st);
    return true;
}

void TextSource::hold(std::string text) {
    close();
    memory_ = std::move(text);
    size_ = static_cast<std::int64_t>(memory_.size());
    inMemory_ = true;
}

bool TextSource::changedSinceOpen() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return true;
    return st.st_size != size_ || modifiedNs(st) != modifiedNs_;
}

long TextSource::readAt(std::int64_t offset, char* into, long count) {
    if (inMemory_) {
        if (offset >= size_) return 0;
        const long n = static_cast<long>(std::min<std::int64_t>(count, size_ - offset));
        std::memcpy(into, memory_.data() + offset, static_cast<std::size_t>(n));
        return n;
    }
    if (fd_ < 0) return -1;
    if (changedSinceOpen()) {
        error_ = name_ + " changed while it was loaded; load it again";
        return -1;
    }
    long done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd_, into + done, static_cast<std::size_t>(count - done), offset + done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error_ = "cannot read " + name_ + ": " + std::strerror(errno);
            return -1;
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

} // namespace cw
