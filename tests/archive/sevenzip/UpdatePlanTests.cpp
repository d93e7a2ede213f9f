// Which items an update takes over from an earlier archive, and the block layout the check after
// an update relies on (pinned against an archive the 7z command lists).

#include "archive/sevenzip/SevenZip.h"
#include "archive/sevenzip/UpdatePlan.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

constexpr uint64_t RunStart = 1000;

ArchiveItem Item(const char* path, uint64_t size, bool folder = false)
{
    ArchiveItem item;
    item.Path = QString::fromUtf8(path);
    item.Size = size;
    item.IsFolder = folder;
    item.HasTime = true;
    item.Time = 500;
    item.HasAttributes = true;
    item.Attributes = folder ? 0x10u : 0x20u;
    item.ChangeTime = RunStart - 1;
    return item;
}

struct PlanCase {
    const char* what;
    std::function<void(std::vector<ArchiveItem>& gathered, std::vector<ArchiveItem>& stored)> change;
    std::vector<uint32_t> earlierIndex;  // expected, per gathered item
    uint32_t changed, added, removed;
    bool keepsAll;
};

class Planning : public ::testing::TestWithParam<PlanCase> {};

TEST_P(Planning, TakesOverOnlyWhatIsProvedUnchanged)
{
    const PlanCase& c = GetParam();
    std::vector<ArchiveItem> stored{Item("d", 0, true), Item("d/a", 10), Item("d/b", 20), Item("d/c", 30)};
    for (uint32_t i = 0; i < stored.size(); ++i) {
        stored[i].Index = i;
        stored[i].ChangeTime = 0;  // archives carry none
    }
    std::vector<ArchiveItem> gathered{Item("d", 0, true), Item("d/a", 10), Item("d/b", 20), Item("d/c", 30)};
    c.change(gathered, stored);
    const UpdatePlan plan = PlanUpdate(gathered, stored, RunStart);
    EXPECT_EQ(plan.EarlierIndex, c.earlierIndex);
    EXPECT_EQ(plan.ChangedFiles, c.changed);
    EXPECT_EQ(plan.NewFiles, c.added);
    EXPECT_EQ(plan.RemovedFiles, c.removed);
    EXPECT_EQ(plan.KeepsAll(), c.keepsAll);
}

constexpr uint32_t N = NoEarlierItem;

INSTANTIATE_TEST_SUITE_P(
    Table, Planning,
    ::testing::Values(
        PlanCase{"nothing_changed", [](auto&, auto&) {}, {0, 1, 2, 3}, 0, 0, 0, true},
        PlanCase{"in_another_order", [](auto& g, auto&) { std::swap(g[1], g[3]); }, {0, 3, 2, 1}, 0, 0, 0, true},
        PlanCase{"size", [](auto& g, auto&) { g[2].Size = 21; }, {0, 1, N, 3}, 1, 0, 0, false},
        PlanCase{"time", [](auto& g, auto&) { g[2].Time = 501; }, {0, 1, N, 3}, 1, 0, 0, false},
        PlanCase{"attributes", [](auto& g, auto&) { g[1].Attributes |= 1; }, {0, N, 2, 3}, 1, 0, 0, false},
        PlanCase{"inode_changed_at_the_run_start", [](auto& g, auto&) { g[3].ChangeTime = RunStart; },
                 {0, 1, 2, N}, 1, 0, 0, false},
        PlanCase{"no_change_time_known", [](auto& g, auto&) { g[3].ChangeTime = 0; }, {0, 1, 2, N}, 1, 0, 0, false},
        PlanCase{"folder_changed_counts_no_file", [](auto& g, auto&) { g[0].ChangeTime = RunStart + 5; },
                 {N, 1, 2, 3}, 0, 0, 0, false},
        PlanCase{"added", [](auto& g, auto&) { g.push_back(Item("d/nowy", 1)); }, {0, 1, 2, 3, N}, 0, 1, 0, false},
        PlanCase{"removed", [](auto& g, auto&) { g.erase(g.begin() + 2); }, {0, 1, 3}, 0, 0, 1, false},
        PlanCase{"renamed", [](auto& g, auto&) { g[1].Path = QStringLiteral("d/a2"); }, {0, N, 2, 3}, 0, 1, 1, false},
        PlanCase{"letter_case_is_another_name", [](auto& g, auto&) { g[1].Path = QStringLiteral("d/A"); },
                 {0, N, 2, 3}, 0, 1, 1, false},
        PlanCase{"encrypted_item_is_never_taken", [](auto&, auto& s) { s[2].Encrypted = true; }, {0, 1, N, 3}, 1, 0, 0,
                 false},
        PlanCase{"stored_twice_is_taken_once", [](auto&, auto& s) { s.push_back(s[1]); s.back().Index = 4; },
                 {0, 4, 2, 3}, 0, 0, 0, false}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.what); });

// The layout ArchiveBlocks reads (blocks side by side after the 32-byte start header, in block
// order) is the one the 7z command reports for an archive of several blocks.
TEST(ArchiveBlockLayout, MatchesTheBlocksThe7zCommandLists)
{
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir().mkpath(dir.filePath(QStringLiteral("d")));
    QRandomGenerator random(3);
    for (int i = 0; i < 5; ++i) {
        QFile f(dir.filePath(QStringLiteral("d/f%1").arg(i)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QByteArray bytes(400 * 1024, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        f.write(bytes);
    }
    const QString archive = dir.filePath(QStringLiteral("a.7z"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-bso0"), QStringLiteral("-mx3"),
                                                        QStringLiteral("-ms=1m"), archive, dir.filePath(QStringLiteral("d"))}),
              0);
    SevenZipPacker zip;
    SevenZipReader reader(zip);
    const ArchiveListing& listing = reader.Open(archive);
    ASSERT_EQ(listing.Status, ArchiveStatus::Ok);
    const std::vector<ArchiveBlock> blocks = ArchiveBlocks(listing);
    ASSERT_GE(blocks.size(), 2u);
    uint64_t end = 32;
    for (const ArchiveBlock& block : blocks) {
        EXPECT_EQ(block.Offset, end);
        end += block.Size;
    }
    // The headers follow the last block: together they are the whole archive.
    EXPECT_LT(end, listing.PackedSize);
    // A block's bytes, read where the layout says, are the block the command unpacks: a byte
    // changed there makes the command's test of that block fail.
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(static_cast<qint64>(blocks[1].Offset + blocks[1].Size / 2)));
    char byte = 0;
    ASSERT_TRUE(f.getChar(&byte));
    ASSERT_TRUE(f.seek(static_cast<qint64>(blocks[1].Offset + blocks[1].Size / 2)));
    ASSERT_TRUE(f.putChar(static_cast<char>(~byte)));
    f.close();
    SevenZipReader again(zip);
    again.Open(archive);
    const ArchiveTestResult test = again.Test();
    EXPECT_FALSE(test.Ok());
    for (size_t b = 0; b < blocks.size(); ++b) {
        const bool anyBad = std::any_of(blocks[b].Items.begin(), blocks[b].Items.end(),
                                        [&](uint32_t index) { return test.ItemResults[index] != ItemOk; });
        EXPECT_EQ(anyBad, b == 1) << "block " << b;
    }
}

}  // namespace
