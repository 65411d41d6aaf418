// The small name=value store the session's remembered values live in.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/os/key_value_store.h"

namespace {

void Parse(os::KeyValueStore& store, const std::string& text) {
    store.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string Formatted(const os::KeyValueStore& store) {
    const std::vector<uint8_t> bytes = store.Format();
    return std::string(bytes.begin(), bytes.end());
}

TEST(KeyValueStoreTest, TheLastValueOfANameWinsWhereTheNameFirstStood) {
    os::KeyValueStore store;
    Parse(store, "A=1\nB=2\nA=3\r\nC=\nB=4\n");
    ASSERT_NE(store.Find("A"), nullptr);
    EXPECT_EQ(*store.Find("A"), "3");
    EXPECT_EQ(*store.Find("B"), "4");
    EXPECT_EQ(*store.Find("C"), "");
    EXPECT_EQ(Formatted(store), "A=3\nB=4\nC=\n");
    store.Set("D", "5\nE=6");
    store.Set("A", "7");
    EXPECT_EQ(Formatted(store), "A=7\nB=4\nC=\nD=5\n");
}

TEST(KeyValueStoreTest, ReadingAgainForgetsEverythingOfTheLastRead) {
    os::KeyValueStore store;
    Parse(store, "Old=1\nShared=2\nbroken line\n");
    EXPECT_EQ(store.MalformedLines(), 1u);
    Parse(store, "Shared=3\n");
    EXPECT_EQ(store.Find("Old"), nullptr);
    EXPECT_EQ(*store.Find("Shared"), "3");
    EXPECT_EQ(store.MalformedLines(), 0u);
    store.Set("New", "4");
    EXPECT_EQ(Formatted(store), "Shared=3\nNew=4\n");
    EXPECT_FALSE(store.Load("/nonexistent-folder/none.cfg"));
    EXPECT_EQ(store.Find("Shared"), nullptr);
    EXPECT_EQ(Formatted(store), "");
}

TEST(KeyValueStoreTest, AFileOfManyNamesKeepsEachOfThem) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "Name" + std::to_string(i % 15000) + "=" + std::to_string(i) + "\n";
    os::KeyValueStore store;
    Parse(store, text);
    // Names 0..4999 came twice; their second value (i + 15000) wins.
    EXPECT_EQ(*store.Find("Name0"), "15000");
    EXPECT_EQ(*store.Find("Name4999"), "19999");
    EXPECT_EQ(*store.Find("Name5000"), "5000");
    EXPECT_EQ(*store.Find("Name14999"), "14999");
    EXPECT_EQ(store.Find("Name15000"), nullptr);
    const std::string out = Formatted(store);
    EXPECT_EQ(out.rfind("Name0=15000\nName1=15001\n", 0), 0u);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 15000);
}

}  // namespace
