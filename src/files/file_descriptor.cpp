#include "files/file_descriptor.h"

#include <unistd.h>

namespace gravon {

tfiledescriptor& tfiledescriptor::operator=(tfiledescriptor&& o) noexcept {
    if (this != &o) {
        reset();
        ffd = o.ffd;
        o.ffd = -1;
    }
    return *this;
}

void tfiledescriptor::reset() {
    if (ffd >= 0) ::close(ffd);
    ffd = -1;
}

} // namespace gravon
