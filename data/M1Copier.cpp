#include "data/M1Copier.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {
constexpr std::size_t kBufferSize = 1 << 18;
}

void CM1Copier::Run() {
    off_t inOff = 0, outOff = 0;
    bool kernelCopy = true;
    std::vector<unsigned char> buf;
    bool ok = true;
    while (static_cast<std::uint64_t>(outOff) < m_nLength) {
        if (m_stop.stop_requested() || m_bAbandoned.load(std::memory_order_relaxed)) break;
        std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>(m_nLength - static_cast<std::uint64_t>(outOff), 1u << 20));
        ssize_t n;
        if (kernelCopy) {
            n = ::copy_file_range(m_in, &inOff, m_out, &outOff, want, 0);
            if (n < 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernelCopy = false;
                buf.resize(kBufferSize);
                continue;
            }
        } else {
            n = ::pread(m_in, buf.data(), std::min(want, buf.size()), inOff);
            if (n > 0) {
                for (ssize_t done = 0; done < n;) {
                    ssize_t w = ::pwrite(m_out, buf.data() + done, n - done, outOff + done);
                    if (w < 0 && errno == EINTR) continue;
                    if (w <= 0) {
                        n = -1;
                        if (w == 0) errno = EIO;
                        break;
                    }
                    done += w;
                }
                if (n > 0) {
                    inOff += n;
                    outOff += n;
                }
            }
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            m_nError = errno;
            ok = false;
            break;
        }
        if (n == 0) break;  // the source is shorter than it was
        Publish(static_cast<std::uint64_t>(outOff), false);
    }
    m_bOk = ok;
    Publish(static_cast<std::uint64_t>(outOff), true);
}

std::uint64_t CM1Copier::WaitFor(std::uint64_t want) {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return m_nCopied >= want || m_bDone; });
    return m_nCopied;
}

void CM1Copier::Publish(std::uint64_t copied, bool done) {
    {
        std::lock_guard lock(m_mutex);
        m_nCopied = copied;
        m_bDone = done;
    }
    m_cv.notify_all();
}
