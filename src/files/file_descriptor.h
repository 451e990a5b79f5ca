// A file descriptor that closes itself.
#pragma once

namespace gravon {

class tfiledescriptor {
  public:
    tfiledescriptor() = default;
    explicit tfiledescriptor(int fd) : ffd(fd) {}
    tfiledescriptor(tfiledescriptor&& o) noexcept : ffd(o.ffd) { o.ffd = -1; }
    tfiledescriptor& operator=(tfiledescriptor&& o) noexcept;
    tfiledescriptor(const tfiledescriptor&) = delete;
    tfiledescriptor& operator=(const tfiledescriptor&) = delete;
    ~tfiledescriptor() { reset(); }
    int get() const { return ffd; }
    explicit operator bool() const { return ffd >= 0; }
    // Hands the descriptor over without closing it.
    int release() {
        const int fd = ffd;
        ffd = -1;
        return fd;
    }
    // Closes it (which also lets go of its locks).
    void reset();

  private:
    int ffd = -1;
};

} // namespace gravon
