#include "dataset/column.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using confcred::dataset::Column;
using confcred::dataset::FieldType;
using confcred::platform::DateTime;

TEST(Column, TextEditsKeepOtherRowsIntact) {
    Column c(FieldType::String);
    c.appendText("alpha");
    c.appendNull();
    c.appendText("");
    c.appendText("gamma");
    EXPECT_TRUE(c.isNull(1));
    EXPECT_FALSE(c.isNull(2));  // an empty text is not null
    c.setText(0, "a");          // shorter: in place
    c.setText(3, "a much longer text than before");
    c.setText(1, "now set");
    EXPECT_EQ(c.textAt(0), "a");
    EXPECT_EQ(c.textAt(1), "now set");
    EXPECT_EQ(c.textAt(2), "");
    EXPECT_EQ(c.textAt(3), "a much longer text than before");
    c.setNull(0);
    EXPECT_TRUE(c.isNull(0));
    EXPECT_EQ(c.textAt(0), "");
}

TEST(Column, ManyGrowingEditsCompactWithoutLosingValues) {
    Column c(FieldType::String);
    for (int i = 0; i < 100; ++i)
        c.appendText("x");
    std::string grow;
    for (int round = 0; round < 200; ++round) {
        grow += "y";
        for (int i = 0; i < 100; ++i)
            c.setText(static_cast<size_t>(i), grow + std::to_string(i));
    }
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(c.textAt(static_cast<size_t>(i)), grow + std::to_string(i));
    EXPECT_LT(c.memoryBytes(), 200u * 100u * 8u);  // waste is reclaimed, not kept
}

TEST(Column, NumbersAndNulls) {
    Column d(FieldType::Double);
    d.appendDouble(-0.5);
    d.appendNull();
    EXPECT_EQ(d.doubleAt(0), -0.5);
    EXPECT_TRUE(d.isNull(1));
    d.setDouble(1, 3.25);
    EXPECT_FALSE(d.isNull(1));
    EXPECT_EQ(d.doubleAt(1), 3.25);

    Column t(FieldType::DateTime);
    const DateTime when = DateTime::fromParts(2026, 12, 7, 10, 30);
    t.appendDateTime(when);
    EXPECT_EQ(t.dateTimeAt(0), when);
    EXPECT_THROW(t.appendDouble(1.0), std::logic_error);
}

TEST(Column, SharedTextIsReferencedAndEditsNeverWriteIntoIt) {
    auto source = std::make_shared<const std::string>("alpha|beta|gamma");
    Column c(FieldType::String);
    c.shareText(source);
    const std::string_view all(*source);
    c.appendText(all.substr(0, 5));  // from the shared text: referenced
    c.appendText(all.substr(6, 4));
    c.appendText("outside");  // copied into the column's arena
    EXPECT_EQ(c.textAt(0).data(), source->data());
    EXPECT_EQ(c.textAt(1), "beta");
    EXPECT_EQ(c.textAt(2), "outside");

    c.setText(0, "a");  // shorter, but the shared text is read-only
    c.setText(1, "a much longer text");
    EXPECT_EQ(*source, "alpha|beta|gamma");
    EXPECT_EQ(c.textAt(0), "a");
    EXPECT_EQ(c.textAt(1), "a much longer text");

    // Compaction of the arena leaves referenced rows alone.
    c.appendText(all.substr(11, 5));
    for (int round = 0; round < 300; ++round)
        c.setText(2, std::string(static_cast<size_t>(round % 40 + 20), 'z'));
    EXPECT_EQ(c.textAt(3), "gamma");
    EXPECT_EQ(c.textAt(3).data(), source->data() + 11);
    EXPECT_EQ(c.textAt(0), "a");
}
