// A program directory that cannot be written is said before any window opens, with the reason
// in French, and the check leaves nothing behind.

#include "core/ProgramDirectory.h"
#include "core/SysCalls.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using namespace zep;

namespace {

/// One kind of system call fails with one error, as a medium in that state would make it.
class Refusing : public sys::Calls {
public:
    Refusing(const char *call, int error) : call_(call), error_(error) {}
    int open(const char *path, int flags, mode_t mode) override {
        return refuse("open") ? -1 : sys::Calls::open(path, flags, mode);
    }
    ssize_t write(int fd, const void *data, size_t size) override {
        return refuse("write") ? -1 : sys::Calls::write(fd, data, size);
    }
    int fsync(int fd) override { return refuse("fsync") ? -1 : sys::Calls::fsync(fd); }

private:
    bool refuse(const char *call) {
        if (std::strcmp(call, call_) != 0)
            return false;
        errno = error_;
        return true;
    }
    const char *call_;
    int error_;
};

} // namespace

TEST(ProgramDirectoryCheck, EveryWayAMediumRefusesIsSaidInFrenchAndLeavesNothing) {
    struct Case {
        const char *call;
        int error;
        const char *reason; ///< nullptr: the directory can be written
    };
    const Case cases[] = {
        {"none", 0, nullptr},
        {"open", EROFS, "le support est en lecture seule"},
        {"open", EACCES, "accès refusé"},
        {"open", ENOENT, "fichier ou dossier introuvable"}, // the stick was pulled out
        {"write", ENOSPC, "le disque est plein"},
        {"fsync", EIO, "erreur d'entrée-sortie du disque"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.error));
        Refusing calls(c.call, c.error);
        sys::ScopedCalls seam(calls);
        const IoResult result = checkWritable(dir.path());
        EXPECT_EQ(result.ok, c.reason == nullptr) << result.message.toStdString();
        if (c.reason) {
            EXPECT_TRUE(result.message.contains(QString::fromUtf8(c.reason)))
                << result.message.toStdString();
            EXPECT_TRUE(result.message.contains(dir.path()));
        }
        EXPECT_TRUE(QDir(dir.path())
                        .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden)
                        .isEmpty());
    }
}
