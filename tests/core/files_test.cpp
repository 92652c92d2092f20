// Whole-file saves: the old file or the new one, never half of each, and a
// file the program may not write stays as it is.
#include "core/files.h"

#include "tests/support/scratch.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace dravimo {
namespace {

using test::ScratchFolder;

TEST(SafeSave, ReplacesTheFileKeepingItsPermissionsAndLeavesNothingBeside)
{
    ScratchFolder scratch;
    test::writeFile(QStringLiteral("param.ini"), QByteArrayLiteral("old contents, longer than the new"));
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(QStringLiteral("param.ini"), mode));

    ASSERT_TRUE(saveFileSafely(QStringLiteral("param.ini"), QByteArrayLiteral("new")));
    EXPECT_EQ(test::readFile(QStringLiteral("param.ini")), QByteArrayLiteral("new"));
    // Owner, group and others; Qt also reports the running user's own rights.
    EXPECT_EQ(QFile::permissions(QStringLiteral("param.ini")) & 0x7077, mode);
    EXPECT_EQ(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("param.ini")});
}

TEST(SafeSave, AFileThatMayNotBeWrittenIsRefusedAndKept)
{
    ScratchFolder scratch;
    test::writeFile(QStringLiteral("vats.dat"), QByteArrayLiteral("rates"));
    // The folder stays open to everyone: only the file's own mode refuses.
    const auto all =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(scratch.folder(), all));
    ASSERT_TRUE(QFile::setPermissions(QStringLiteral("vats.dat"), QFile::ReadOwner | QFile::ReadOther));
    EXPECT_TRUE(test::asUnprivilegedUser([] {
        return !saveFileSafely(QStringLiteral("vats.dat"), QByteArrayLiteral("other"))
            && test::readFile(QStringLiteral("vats.dat")) == QByteArrayLiteral("rates");
    }));
}

} // namespace
} // namespace dravimo
