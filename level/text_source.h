#pragma once
// Where the text behind a level set's window comes from. A regular file stays on disk: it is opened
// once, read in place at each slide of the window and watched, so a file that changes while it is
// loaded is noticed instead of read as garbage. Anything else (a pipe, a FIFO, a device, standard
// input) can be read only once, so it is read whole into memory, up to MemoryTextLimit bytes.
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace cw {

constexpr std::int64_t MemoryTextLimit = std::int64_t{64} << 20;
// Text positions are int: a file must leave room for the window beyond its last byte.
constexpr std::int64_t FileTextLimit = std::int64_t{2} << 30;

// Reads all of the open descriptor into `text`, at most `limit` bytes. False with `error` set when
// reading fails or the input holds more than the limit.
bool readAllLimited(int fd, const std::string& name, std::int64_t limit, std::string& text,
                    std::string& error);

// The first `count` bytes of a regular file, or -1 when it cannot be read or is no regular file. A
// FIFO or device among a folder's files is no level file: opening it without blocking and looking
// before reading keeps a scan from hanging.
long readRegularFile(const std::string& path, char* into, long count);

class TextSource {
  public:
    TextSource() = default;
    ~TextSource();
    TextSource(const TextSource&) = delete;
    TextSource& operator=(const TextSource&) = delete;

    // Opens `path`. False with error() set when it cannot be read, is a folder, or is too large.
    bool open(const std::string& path);
    // Holds `text` in memory as the source.
    void hold(std::string text);
    void close();

    // Reads up to `count` bytes at `offset` into `into`: the number read (0 past the end), or -1 when
    // the source failed or the file changed since it was opened (error() says which).
    long readAt(std::int64_t offset, char* into, long count);

    bool isOpen() const { return fd_ >= 0 || inMemory_; }
    std::int64_t size() const { return size_; }
    const std::string& error() const { return error_; }
    // Whether the file behind the source is the one with this device and inode.
    bool isFile(dev_t device, ino_t inode) const { return fd_ >= 0 && device == device_ && inode == inode_; }

  private:
    bool changedSinceOpen();

    int fd_ = -1;
    bool inMemory_ = false;
    std::string memory_;
    std::string name_;
    std::string error_;
    std::int64_t size_ = 0;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    std::int64_t modifiedNs_ = 0;
};

} // namespace cw
