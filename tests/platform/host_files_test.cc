// Files other programs write, read as the platform reads every one of them:
// through a folder held open, only regular files, within a bound, never
// waiting on a FIFO; and the question whether a path lies in a folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/host_path.h"
#include "foundation/regular_file.h"
#include "foundation/scoped_fd.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

class HostFiles : public ::testing::Test {
 protected:
  qst_test::TempFolder temp_{"host-files"};
  void write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }

  fs::path folder_ = temp_.path();
};

bool isOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

TEST_F(HostFiles, AFolderHeldOpenIsReadEvenAfterItMoves) {
  write("a.ics", "twelve bytes");
  write("big.ics", std::string(101, 'x'));
  ASSERT_EQ(mkfifo((folder_ / "fifo.ics").c_str(), 0600), 0);  // nobody writes: a read would wait for ever
  const ScopedFd folder(open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  ASSERT_TRUE(folder.valid());
  fs::rename(folder_, folder_.string() + "-moved");
  folder_ += "-moved";

  std::string text;
  struct stat info {};
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), "a.ics", 100, &text, &info), standin::FileReadStatus::Read);
  EXPECT_EQ(text, "twelve bytes");
  EXPECT_EQ(info.st_size, 12);
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), "big.ics", 100, &text, &info), standin::FileReadStatus::TooLarge);
  EXPECT_EQ(info.st_size, 101);  // what was refused, for the caller's note of its version
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), "fifo.ics", 100, &text, &info), standin::FileReadStatus::NotRegular);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), "gone.ics", 100, &text), standin::FileReadStatus::Missing);
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), "a.ics/x", 100, &text), standin::FileReadStatus::Missing);
  EXPECT_EQ(standin::readRegularFileAt(folder.get(), ".", 100, &text), standin::FileReadStatus::NotRegular);
}

TEST_F(HostFiles, AHeadIsTheFirstBytesOfARegularFileOfAnySize) {
  write("long", "0123456789");
  write("short", "ab");
  ASSERT_EQ(mkfifo((folder_ / "fifo").c_str(), 0600), 0);
  std::string head;
  EXPECT_EQ(standin::readRegularFileHead((folder_ / "long").string(), 4, &head), standin::FileReadStatus::Read);
  EXPECT_EQ(head, "0123");
  EXPECT_EQ(standin::readRegularFileHead((folder_ / "short").string(), 4, &head), standin::FileReadStatus::Read);
  EXPECT_EQ(head, "ab");
  EXPECT_EQ(standin::readRegularFileHead((folder_ / "fifo").string(), 4, &head), standin::FileReadStatus::NotRegular);
  EXPECT_EQ(standin::readRegularFileHead("/dev/zero", 4, &head), standin::FileReadStatus::NotRegular);
  EXPECT_EQ(standin::readRegularFileHead((folder_ / "none").string(), 4, &head), standin::FileReadStatus::Missing);
}

TEST(ScopedFd, OneOwnerClosesTheDescriptorOnce) {
  int fd = -1;
  {
    ScopedFd first(open("/dev/null", O_RDONLY | O_CLOEXEC));
    fd = first.get();
    ASSERT_TRUE(first.valid());
    ScopedFd second(std::move(first));
    EXPECT_FALSE(first.valid());
    EXPECT_EQ(second.get(), fd);
    ScopedFd third;
    third = std::move(second);
    EXPECT_TRUE(isOpen(fd));
  }
  EXPECT_FALSE(isOpen(fd));

  ScopedFd kept(open("/dev/null", O_RDONLY | O_CLOEXEC));
  const int released = kept.release();
  kept.reset();
  EXPECT_TRUE(isOpen(released));
  ScopedFd again(released);
  again.reset(open("/dev/null", O_RDONLY | O_CLOEXEC));
  EXPECT_TRUE(isOpen(again.get()));
  EXPECT_FALSE(isOpen(released));
}

TEST_F(HostFiles, APathLiesInAFolderByItsComponentsOnceResolved) {
  const std::string root = (folder_ / "root").string();
  fs::create_directories(root + "/var");
  fs::create_directories(folder_ / "root-b");
  fs::create_directory_symlink(root + "/var", folder_ / "link");

  EXPECT_TRUE(hostPathLiesIn(root, root));
  EXPECT_TRUE(hostPathLiesIn(root + "/", root));
  EXPECT_TRUE(hostPathLiesIn(root, root + "/"));
  EXPECT_TRUE(hostPathLiesIn(root + "/var/not-yet/a.png", root));
  EXPECT_TRUE(hostPathLiesIn((folder_ / "root-b/../root/a.png").string(), root));
  EXPECT_TRUE(hostPathLiesIn((folder_ / "link/a.png").string(), root));  // through a link into it
  EXPECT_FALSE(hostPathLiesIn((folder_ / "root-b/a.png").string(), root));
  EXPECT_FALSE(hostPathLiesIn((folder_ / "a.png").string(), root));
  EXPECT_FALSE(hostPathLiesIn(root + "/../a.png", root));
  EXPECT_TRUE(hostPathLiesIn("/anything", "/"));
}

}  // namespace
