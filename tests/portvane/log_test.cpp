// The stream logger: its line format and filters through its own classes, its limits and its two
// outputs through a probe program run under a debugger.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cpplog.h"
#include "debugrun.h"
#include "testkit.h"

using namespace testkit;

namespace {

void Logged(cpplog::BaseLogger* logger, int level, const std::string& text)
{
    n_log::CustomLogMessage(logger, __LINE__, "Logged", level).Stream() << text;
}

__time64_t UtcNow()
{
    return _time64(nullptr);
}

std::string Prefix(char letter, __time64_t t)
{
    struct tm u = {};
    _gmtime64_s(&u, &t);
    std::ostringstream s;
    s << "[VOQ][" << letter << "][" << u.tm_year + 1900 << "-" << u.tm_mon + 1 << "-" << u.tm_mday << " " << u.tm_hour
      << ":" << u.tm_min << ":" << u.tm_sec << "] ";
    return s.str();
}

} // namespace

TEST(Logger, PrefixLettersAndUtcTime)
{
    std::ostringstream out;
    cpplog::OstreamLogger logger(&out);
    const int levels[] = {0, 1, 2, 3, 4, 5, 9, -1};
    const char letters[] = "TDIWEFOO";
    for (int i = 0; i < 8; ++i) {
        out.str("");
        __time64_t before = UtcNow();
        Logged(&logger, levels[i], "text " + std::to_string(i));
        __time64_t after = UtcNow();
        std::string line = out.str();
        std::string tail = "text " + std::to_string(i) + "\n";
        // UTC, numbers without leading zeros; the second may tick during the call.
        EXPECT_TRUE(line == Prefix(letters[i], before) + tail || line == Prefix(letters[i], after) + tail) << line;
    }
    // A text that already ends its line gets no second line end.
    out.str("");
    Logged(&logger, cpplog::LL_INFO, "done\n");
    std::string done = out.str();
    EXPECT_EQ(1, std::count(done.begin(), done.end(), '\n'));
}

TEST(Logger, FiltersDropBelowMinimumAndFanOutStopsAtRefusal)
{
    std::ostringstream out;
    cpplog::FilteringLogger filter(cpplog::LL_WARN, new cpplog::OstreamLogger(&out), true);
    Logged(&filter, cpplog::LL_INFO, "quiet");
    EXPECT_EQ("", out.str());
    Logged(&filter, cpplog::LL_WARN, "loud");
    Logged(&filter, cpplog::LL_ERROR, "louder");
    std::vector<std::string> lines = SplitLines(out.str());
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("][W]["));
    EXPECT_NE(std::string::npos, lines[1].find("][E]["));

    cpplog::FilteringLogger noTarget(cpplog::LL_TRACE, nullptr, false);
    cpplog::LogData data;
    EXPECT_FALSE(noTarget.WriteLogData(&data));
    data.level = -1;
    EXPECT_TRUE(cpplog::FilteringLogger(cpplog::LL_TRACE, nullptr, false).WriteLogData(&data));

    // The process-wide fan-out passes nothing on after a logger that refused.
    std::ostringstream fanned;
    cpplog::RvFileLogger refusing(cpplog::LL_TRACE, nullptr, false);
    cpplog::RvFileLogger accepting(cpplog::LL_TRACE, new cpplog::OstreamLogger(&fanned), true);
    cpplog::RvLogger fanOut;
    fanOut.Add(&refusing);
    fanOut.Add(&accepting);
    Logged(&fanOut, cpplog::LL_INFO, "after a refusal");
    EXPECT_EQ("", fanned.str());
}

TEST(Logger, LongMessagesCutAtTheTextBuffer)
{
    std::ostringstream out;
    cpplog::OstreamLogger logger(&out);
    for (size_t total : {19999u, 20000u, 20001u, 30000u}) {
        out.str("");
        size_t prefix = 0;
        {
            n_log::CustomLogMessage message(&logger, __LINE__, "t");
            prefix = message.Data()->prefixLength;
            message.Stream() << std::string(total - prefix, 'x');
        }
        std::string line = out.str();
        if (total < 20000) {
            ASSERT_EQ(total + 1, line.size());
            EXPECT_EQ(std::string(total - prefix, 'x') + "\n", line.substr(prefix));
        } else {
            // The buffer holds 20000 characters: the last one gives way to the line end.
            ASSERT_EQ(20000u, line.size()) << total;
            EXPECT_EQ(std::string(20000 - prefix - 1, 'x') + "\n", line.substr(prefix));
        }
    }
}

TEST(Logger, ProcessLoggerWritesDebuggerPiecesAndStandardError)
{
    std::wstring probe = TestsDir() + L"LogProbe.exe";
    // Either side of the 256-byte piece (the line end counts) and of the 20000-character text.
    for (size_t total : {254u, 255u, 256u, 600u, 19999u, 20000u, 20001u}) {
        DebugRun run = RunDebugged(probe, std::to_wstring(total), 20000);
        ASSERT_TRUE(run.finished);
        size_t sent = total < 20000 ? total + 1 : 20000;
        std::string joined;
        for (const std::string& piece : run.debugStrings) {
            EXPECT_LE(piece.size(), 256u);
            joined += piece;
        }
        EXPECT_EQ((sent + 255) / 256, run.debugStrings.size()) << total;
        ASSERT_EQ(sent, joined.size());
        EXPECT_EQ(0u, joined.compare(0, 5, "[VOQ]"));
        EXPECT_EQ('\n', joined.back());
        std::vector<std::string> err = SplitLines(run.stdErr);
        ASSERT_EQ(1u, err.size());
        EXPECT_EQ(joined.substr(0, joined.size() - 1), err[0]);
    }

    DebugRun plain = RunDebugged(probe, L"100", 20000, false);
    ASSERT_TRUE(plain.finished);
    ASSERT_EQ(1u, SplitLines(plain.stdErr).size());
    EXPECT_EQ(100u, SplitLines(plain.stdErr)[0].size());
}

TEST(Logger, WideTextNarrowedWithTheChineseCodePage)
{
    EXPECT_EQ("\xd6\xd0\xce\xc4 ok", WideToNarrow(L"\x4e2d\x6587 ok"));
    EXPECT_EQ("\xd6\xd0\xce\xc4", WideToNarrow(L"\x4e2d\x6587")); // two bytes for every character
    EXPECT_EQ("", WideToNarrow(L""));
}
