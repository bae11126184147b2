#include "Base/Logger.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <utility>
#include <set>
#include <string>
#include <thread>
#include <vector>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const std::string kErrorPrefix = "\xE2\x9D\x8C [ERROR] ";          // U+274C
const std::string kWarningPrefix = "\xE2\x9A\xA0\xEF\xB8\x8F [WARN] "; // U+26A0 U+FE0F

std::string logged(LogLevel level, const QString& message)
{
    CaptureStdout();
    Logger::shared().log(level, [&] { return message; });
    return GetCapturedStdout();
}

} // namespace

TEST(Logger, OnlyPrintedLevelsBuildTheMessageOnce)
{
    int evaluations = 0;
    const auto count = [&] {
        ++evaluations;
        return QStringLiteral("x");
    };
    CaptureStdout();
    Logger::shared().log(LogLevel::info, count);
    Logger::shared().log(LogLevel::debug, count);
    logMessage(LogLevel::debug, [&] { return std::string(count().toStdString()); });
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(evaluations, 0);
    CaptureStdout();
    Logger::shared().log(LogLevel::warning, count);
    Logger::shared().log(LogLevel::error, count);
    GetCapturedStdout();
    EXPECT_EQ(evaluations, 2);
}

TEST(Logger, LineIsTheLevelsEmojiLabelThenTheMessageAsItStandsWhateverItsType)
{
    // The message's own area emoji stays after the label.
    EXPECT_EQ(logged(LogLevel::error, QStringLiteral("📜 PNG 编码失败")), kErrorPrefix + "📜 PNG 编码失败\n");
    EXPECT_EQ(logged(LogLevel::warning, QString()), kWarningPrefix + "\n");
    CaptureStdout();
    logMessage(LogLevel::warning, [] { return std::string("std"); });
    logMessage(LogLevel::error, [] { return "literal"; });
    EXPECT_EQ(GetCapturedStdout(), kWarningPrefix + "std\n" + kErrorPrefix + "literal\n");
}

TEST(Logger, AskedForLevelsPrintInfoAndDebugInTheSameShape)
{
    // LUMETRA_LOG's words (any case) -> the most verbose level that prints; others ask nothing.
    const std::pair<const char*, std::optional<LogLevel>> names[] = {
        {"debug", LogLevel::debug}, {"INFO", LogLevel::info}, {"Warning", LogLevel::warning}, {"warn", LogLevel::warning},
        {"error", LogLevel::error}, {"verbose", std::nullopt}, {"", std::nullopt}, {nullptr, std::nullopt}};
    for (const auto& [name, level] : names)
        EXPECT_EQ(Logger::levelNamed(name), level) << (name ? name : "(unset)");

    Logger::shared().setThreshold(LogLevel::debug);
    const std::string info = logged(LogLevel::info, QStringLiteral("📸 x"));
    const std::string debug = logged(LogLevel::debug, QStringLiteral("y"));
    Logger::shared().setThreshold(LogLevel::error);
    const std::string quietWarning = logged(LogLevel::warning, QStringLiteral("z"));
    Logger::shared().setThreshold(LogLevel::warning);
    EXPECT_EQ(info, "\xE2\x84\xB9\xEF\xB8\x8F [INFO] 📸 x\n");
    EXPECT_EQ(debug, "\xF0\x9F\x94\x8D [DEBUG] y\n");
    EXPECT_EQ(quietWarning, "");
}

TEST(Logger, LinesFromManyThreadsStayWhole)
{
    constexpr int threadCount = 8;
    constexpr int linesPerThread = 300;
    // Long enough that a torn write would show up inside a line.
    const QString padding(200, QLatin1Char('.'));

    CaptureStdout();
    std::vector<std::thread> threads;
    std::atomic<bool> go{false};
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) {
            }
            for (int i = 0; i < linesPerThread; ++i) {
                const LogLevel level = (i % 2 == 0) ? LogLevel::error : LogLevel::warning;
                Logger::shared().log(level, [&] { return QStringLiteral("🧵 t%1 i%2 ").arg(t).arg(i) + padding; });
                // Suppressed calls interleaved with printed ones must not disturb them.
                Logger::shared().log(LogLevel::debug, [&] { return QStringLiteral("never"); });
            }
        });
    }
    go = true;
    for (auto& thread : threads)
        thread.join();
    const QString output = QString::fromStdString(GetCapturedStdout());

    ASSERT_TRUE(output.endsWith(QLatin1Char('\n')));
    const QStringList lines = output.chopped(1).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), threadCount * linesPerThread);
    std::set<QString> seen;
    for (const QString& line : lines) {
        const std::string raw = line.toStdString();
        const bool error = raw.rfind(kErrorPrefix, 0) == 0;
        const bool warning = raw.rfind(kWarningPrefix, 0) == 0;
        ASSERT_TRUE(error || warning) << raw;
        const QString message = QString::fromStdString(raw.substr((error ? kErrorPrefix : kWarningPrefix).size()));
        ASSERT_TRUE(message.startsWith(QStringLiteral("🧵 t")) && message.endsWith(padding)) << raw;
        ASSERT_EQ(message.size(), message.indexOf(QLatin1Char('.')) + padding.size()) << raw;
        seen.insert(message.section(QLatin1Char(' '), 1, 2));
    }
    EXPECT_EQ(static_cast<int>(seen.size()), threadCount * linesPerThread);
}
