#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/sysutils.h"

namespace vcl {
namespace {

[[noreturn]] void Failed(const std::string &what, const std::string &path, int err) {
  throw Exception(what + " " + path + ": " + std::strerror(err));
}

void SyncFolderOf(const std::string &path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Failed("cannot open folder", folder, errno);
  const bool ok = ::fsync(fd) == 0;
  const int err = errno;
  ::close(fd);
  if (!ok) Failed("cannot flush folder", folder, err);
}

}  // namespace

void ReplaceFileDurably(const std::string &path, const std::string &content) {
  const std::string temp = path + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Failed("cannot create", temp, errno);
  size_t written = 0;
  while (written < content.size()) {
    const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : EIO;
      ::close(fd);
      ::unlink(temp.c_str());
      Failed("cannot write", temp, err);
    }
    written += static_cast<size_t>(n);
  }
  const bool synced = ::fsync(fd) == 0;
  const int syncErr = errno;
  if (::close(fd) != 0 || !synced) {
    const int err = synced ? errno : syncErr;
    ::unlink(temp.c_str());
    Failed("cannot flush", temp, err);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    Failed("cannot replace", path, err);
  }
  SyncFolderOf(path);
}

void RemoveFile(const std::string &path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) Failed("cannot remove", path, errno);
}

void ForceDirectories(const std::string &path) {
  for (size_t pos = path.find('/', 1);; pos = path.find('/', pos + 1)) {
    const std::string partial = path.substr(0, pos);
    struct stat st;
    if (::stat(partial.c_str(), &st) != 0 && ::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
      Failed("cannot create folder", partial, errno);
    }
    if (pos == std::string::npos) break;
  }
}

bool ReadWholeFile(const std::string &path, std::string &content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (errno == ENOENT) return false;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    Failed("cannot read", path, errno);
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) Failed("cannot read", path, errno);
  content = text.str();
  return true;
}

}  // namespace vcl
