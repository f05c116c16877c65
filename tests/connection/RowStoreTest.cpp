#include "connection/RowStore.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string text(const RowStore& store, int record, int column)
{
    return std::string(store.cell(record, column));
}

/// Fills rows "r<i>c<j>", with NULL where (i + j) % 7 == 0 and an empty text where % 11 == 0.
void fill(RowStore& store, int rows)
{
    for (int i = 0; i < rows; ++i) {
        for (int c = 0; c < store.columnCount(); ++c) {
            if ((i + c) % 7 == 0) {
                store.appendNull(c);
            } else if ((i + c) % 11 == 0) {
                store.appendCell(c, "", 0);
            } else {
                const std::string value = "r" + std::to_string(i) + "c" + std::to_string(c);
                store.appendCell(c, value.data(), value.size());
            }
        }
        store.finishRow();
    }
    store.publish();
}

TEST(RowStore, KeepsEveryCellNullAndEmptyTextApartAcrossSegments)
{
    RowStore store(3);
    const int rows = 20000; // more than two segments of rows
    fill(store, rows);
    ASSERT_EQ(store.recordCount(), rows);
    for (int i : {0, 1, 8191, 8192, 8193, 16383, 16384, rows - 1}) {
        for (int c = 0; c < 3; ++c) {
            if ((i + c) % 7 == 0) {
                EXPECT_TRUE(store.isNull(i, c)) << i << "," << c;
            } else if ((i + c) % 11 == 0) {
                EXPECT_FALSE(store.isNull(i, c));
                EXPECT_EQ(text(store, i, c), "");
            } else {
                EXPECT_FALSE(store.isNull(i, c));
                EXPECT_EQ(text(store, i, c), "r" + std::to_string(i) + "c" + std::to_string(c));
            }
        }
    }
}

TEST(RowStore, HoldsLargeCellsAndBinaryBytes)
{
    RowStore store(2);
    const std::string big(3 * 1024 * 1024, 'x');
    const std::string binary("a\0b\xff", 4);
    store.appendCell(0, big.data(), big.size());
    store.appendCell(1, binary.data(), binary.size());
    store.finishRow();
    store.appendCell(0, "small", 5);
    store.appendNull(1);
    store.finishRow();
    store.publish();
    EXPECT_EQ(text(store, 0, 0), big);
    EXPECT_EQ(text(store, 0, 1), binary);
    EXPECT_EQ(text(store, 1, 0), "small");
    EXPECT_TRUE(store.isNull(1, 1));
}

TEST(RowStore, RecordsChangeWhileIdentitiesStay)
{
    RowStore store(1);
    fill(store, 10);
    const qint64 id3 = store.recordId(3);
    const qint64 id8 = store.recordId(8);

    store.setRecord(3, {QByteArray("changed")});
    EXPECT_EQ(text(store, 3, 0), "changed");
    EXPECT_EQ(store.recordOfId(id3), 3);

    EXPECT_EQ(store.insertRecord(0), 0);
    EXPECT_EQ(store.recordCount(), 11);
    EXPECT_TRUE(store.isNull(0, 0));
    EXPECT_EQ(store.recordOfId(id3), 4);
    EXPECT_EQ(text(store, 4, 0), "changed");

    store.removeRecord(4);
    EXPECT_EQ(store.recordOfId(id3), -1);
    EXPECT_EQ(store.recordOfId(id8), 8);
    EXPECT_EQ(text(store, 8, 0), "r8c0");

    const int appended = store.insertRecord(store.recordCount());
    store.setRecord(appended, {QByteArray("new")});
    EXPECT_EQ(text(store, appended, 0), "new");
    EXPECT_EQ(store.recordOfId(store.recordId(appended)), appended);
}

TEST(RowStore, HoldsLittleMoreThanTheTextItself)
{
    RowStore store(2);
    const std::string value(20, 'v');
    const int rows = 100000;
    for (int i = 0; i < rows; ++i) {
        store.appendCell(0, value.data(), value.size());
        store.appendCell(1, value.data(), value.size());
        store.finishRow();
    }
    store.publish();
    const double raw = 2.0 * rows * double(value.size());
    // 4 bytes of offset and one null bit per cell, block slack given back.
    EXPECT_LT(double(store.memoryBytes()) / raw, 1.25);
    EXPECT_GT(double(store.memoryBytes()) / raw, 1.0);
}

} // namespace
