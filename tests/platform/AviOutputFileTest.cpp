// The output file's copies of byte ranges from other files: inside the kernel
// where it can, through the buffer where the file systems cannot copy between
// the two files, and the same bytes either way.

#include "platform/CAviOutputFile.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

int g_calls = 0;
int g_errno = 0;
size_t g_allowed = 0; // bytes the fake copies before it fails

// A kernel copy that copies `g_allowed` bytes (in pieces of at most 64 KiB, as
// a kernel may) and then fails with `g_errno`.
ssize_t FailingCopy(int inFd, loff_t* inOffset, int outFd, loff_t* outOffset, size_t size, unsigned flags) {
    ++g_calls;
    if (g_allowed == 0) {
        errno = g_errno;
        return -1;
    }
    const size_t n = std::min({size, g_allowed, size_t(64) << 10});
    const ssize_t done = ::copy_file_range(inFd, inOffset, outFd, outOffset, n, flags);
    if (done > 0)
        g_allowed -= static_cast<size_t>(done);
    return done;
}

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = 12345;
    for (uint8_t& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    return bytes;
}

class AviOutputFileCopy : public ::testing::Test {
protected:
    AviOutputFileCopy() : input(Pattern(5u << 20)) {
        WriteFileBytes(dir.File("in.bin"), input);
        fd = ::open(dir.File("in.bin").c_str(), O_RDONLY | O_CLOEXEC);
    }
    ~AviOutputFileCopy() override { ::close(fd); }

    // A few buffered bytes, a large range (kernel copy), a small one
    // (buffered) and a second large one, as the writer mixes them.
    std::vector<uint8_t> WriteMixed(CAviOutputFile& out, const std::string& name) {
        std::string error;
        EXPECT_TRUE(out.Create(dir.File(name), &error)) << error;
        const uint8_t head[5] = {'R', 'I', 'F', 'F', 0};
        EXPECT_TRUE(out.Write(head, sizeof head));
        EXPECT_TRUE(out.CopyFrom(fd, 3, (2u << 20) + 7));
        EXPECT_TRUE(out.CopyFrom(fd, 100, 1000));
        EXPECT_TRUE(out.CopyFrom(fd, 1u << 20, 3u << 20));
        EXPECT_EQ(5u + (2u << 20) + 7 + 1000 + (3u << 20), out.Position());
        EXPECT_TRUE(out.Close()) << out.Error();

        std::vector<uint8_t> expected(head, head + sizeof head);
        expected.insert(expected.end(), input.begin() + 3, input.begin() + 3 + (2 << 20) + 7);
        expected.insert(expected.end(), input.begin() + 100, input.begin() + 1100);
        expected.insert(expected.end(), input.begin() + (1 << 20), input.begin() + (4 << 20));
        return expected;
    }

    CTempDir dir;
    std::vector<uint8_t> input;
    int fd = -1;
};

} // namespace

TEST_F(AviOutputFileCopy, TheKernelsCopyGivesTheBytesOfTheRanges) {
    CAviOutputFile out;
    const std::vector<uint8_t> expected = WriteMixed(out, "kernel.avi");
    EXPECT_EQ(expected, ReadFileBytes(dir.File("kernel.avi")));
}

// A file system that cannot copy between the files, from the first call or
// after part of a range: the rest goes through the buffer, the kernel is not
// asked again, and the file is the same.
TEST_F(AviOutputFileCopy, WithoutTheKernelsCopyTheBufferTakesOver) {
    for (const int error : {EXDEV, ENOSYS, EINVAL, EOPNOTSUPP}) {
        for (const size_t allowed : {size_t(0), size_t(256) << 10}) {
            g_calls = 0;
            g_errno = error;
            g_allowed = allowed;
            CAviOutputFile out;
            out.SetKernelCopyCall(FailingCopy);
            const std::string name =
                "fallback" + std::to_string(error) + "_" + std::to_string(allowed) + ".avi";
            const std::vector<uint8_t> expected = WriteMixed(out, name);
            EXPECT_EQ(expected, ReadFileBytes(dir.File(name))) << error << " after " << allowed;
            // The pieces it copied, then one failure; none for the second range.
            EXPECT_EQ(int(allowed / (64 << 10)) + 1, g_calls) << error << " after " << allowed;
        }
    }
}

// Any other error is a failed write: reported, and nothing put in place.
TEST_F(AviOutputFileCopy, OtherErrorsOfTheKernelsCopyFailTheFile) {
    g_calls = 0;
    g_errno = EIO;
    g_allowed = 0;
    CAviOutputFile out;
    out.SetKernelCopyCall(FailingCopy);
    std::string error;
    ASSERT_TRUE(out.Create(dir.File("eio.avi"), &error)) << error;
    EXPECT_FALSE(out.CopyFrom(fd, 0, 2u << 20));
    EXPECT_TRUE(out.Failed());
    EXPECT_FALSE(out.Close());
    EXPECT_FALSE(std::filesystem::exists(dir.File("eio.avi")));
}
