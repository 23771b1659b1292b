// SPDX-License-Identifier: GPL-3.0-or-later
#include "filelock.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Shared by the caller and the helper: whichever leaves last frees it.
struct Wait
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false; // the caller stopped waiting: a lock taken later is let go
    int error = 0;
};

int tryOnce(int fd, int operation)
{
    int result = 0;
    do
        result = ::flock(fd, operation | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

} // namespace

namespace FileLock {

int lockWithin(int fd, int operation, int waitMs)
{
    const int first = tryOnce(fd, operation);
    if (first != EWOULDBLOCK || waitMs <= 0)
        return first;
    // A second descriptor of the same open file: a lock it takes is the caller's, and closing it
    // (the helper's last step) does not let the lock go.
    const int shared = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (shared < 0)
        return errno;
    auto wait = std::make_shared<Wait>();
    try {
        std::thread([wait, shared, operation] {
            int result = 0;
            do
                result = ::flock(shared, operation);
            while (result != 0 && errno == EINTR);
            const int error = result == 0 ? 0 : errno;
            const std::lock_guard lock(wait->mutex);
            if (wait->abandoned && error == 0)
                ::flock(shared, LOCK_UN);
            ::close(shared);
            wait->error = error;
            wait->finished = true;
            wait->done.notify_all();
        }).detach();
    } catch (const std::system_error &) {
        ::close(shared);
        return EAGAIN; // no thread to wait with
    }
    std::unique_lock lock(wait->mutex);
    if (!wait->done.wait_for(lock, std::chrono::milliseconds(waitMs),
                             [&wait] { return wait->finished; })) {
        wait->abandoned = true;
        return EWOULDBLOCK;
    }
    return wait->error;
}

} // namespace FileLock
