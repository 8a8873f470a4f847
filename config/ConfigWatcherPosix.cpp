// Change notices on POSIX systems through inotify on the file's folder: every
// event that names the file (written, closed after writing, renamed over,
// created, deleted, attributes changed) counts, and so does an overflow of the
// event queue, which may have swallowed one. A pipe wakes the wait for Stop.
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "config/ConfigWatcherNotices.h"

namespace {

constexpr uint32_t kEvents =
    IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

class InotifyNotices : public ConfigWatcher::Notices {
 public:
  InotifyNotices(int inotify, const int stop_pipe[2], std::string name)
      : inotify_(inotify),
        stop_read_(stop_pipe[0]),
        stop_write_(stop_pipe[1]),
        name_(std::move(name)) {}
  ~InotifyNotices() override {
    close(inotify_);
    close(stop_read_);
    close(stop_write_);
  }

  bool WaitForChange() override {
    for (;;) {
      pollfd fds[2] = {{inotify_, POLLIN, 0}, {stop_read_, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (fds[1].revents != 0) return false;
      if (NamesTheFile()) return true;
    }
  }

  void Stop() override {
    const char byte = 0;
    while (write(stop_write_, &byte, 1) < 0 && errno == EINTR) {
    }
  }

 private:
  // Reads the queued events; true when one of them concerns the file.
  bool NamesTheFile() {
    alignas(inotify_event) char events[4096];
    const ssize_t got = read(inotify_, events, sizeof events);
    if (got <= 0) return false;
    bool found = false;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      if ((event->mask & IN_Q_OVERFLOW) != 0 || (event->len > 0 && name_ == event->name)) {
        found = true;
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    return found;
  }

  int inotify_;
  int stop_read_;
  int stop_write_;
  std::string name_;
};

}  // namespace

std::unique_ptr<ConfigWatcher::Notices> ConfigWatcher::Notices::Open(const std::string& folder,
                                                                     const std::string& name) {
  const int inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (inotify < 0) return nullptr;
  int stop_pipe[2];
  if (inotify_add_watch(inotify, folder.c_str(), kEvents) < 0 || pipe2(stop_pipe, O_CLOEXEC) != 0) {
    close(inotify);
    return nullptr;
  }
  auto* notices = new (std::nothrow) InotifyNotices(inotify, stop_pipe, name);
  if (notices == nullptr) {
    close(inotify);
    close(stop_pipe[0]);
    close(stop_pipe[1]);
  }
  return std::unique_ptr<Notices>(notices);
}
