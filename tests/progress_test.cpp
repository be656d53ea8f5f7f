// The progress line's frames: what is written to show a line over the one shown before.
#include <string>

#include <gtest/gtest.h>

#include "progress/progress.hpp"

namespace {

// A line at least as wide as the one before covers it; a shorter one is followed by
// blanks over the rest and written again, so that the cursor ends after it.
TEST(ProgressFrames, RewriteTheLineInPlace) {
    EXPECT_EQ(progress_frame("stepping few_jumps", 0), "\rstepping few_jumps");
    EXPECT_EQ(progress_frame("abcdef", 6), "\rabcdef");
    EXPECT_EQ(progress_frame("abcdefgh", 6), "\rabcdefgh");
    EXPECT_EQ(progress_frame("abc", 6), "\rabc   \rabc");
}

// Progress that is not enabled (standard error no terminal) writes nothing and keeps no
// line to clear.
TEST(ProgressFrames, NothingWhereDisabled) {
    Progress progress;
    show_progress(progress, "a line", true);
    EXPECT_EQ(progress.shown, 0u);
    end_progress(progress);
    EXPECT_EQ(progress.shown, 0u);
}

}  // namespace
