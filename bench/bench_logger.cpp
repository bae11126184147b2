// Cost of a log call: the suppressed levels (what every info and debug call site pays)
// and a printed line (standard output sent to /dev/null, so the terminal is not measured).
#include "Base/Logger.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Points standard output at /dev/null for the life of the object.
class SilencedStdout {
public:
    SilencedStdout()
    {
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~SilencedStdout()
    {
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
    }

private:
    int m_saved = -1;
};

void BM_SuppressedDebugWithInterpolation(benchmark::State& state)
{
    int evaluations = 0;
    const QString file = QStringLiteral("screenshot-2026-12-06.png");
    for (auto _ : state) {
        Logger::shared().log(LogLevel::debug, [&] {
            ++evaluations;
            return QStringLiteral("📂 loadImage 被调用: %1 (%2)").arg(file).arg(state.iterations());
        });
    }
    if (evaluations != 0)
        state.SkipWithError("a suppressed message was built");
}
BENCHMARK(BM_SuppressedDebugWithInterpolation)->ThreadRange(1, 8);

void BM_PrintedWarning(benchmark::State& state)
{
    SilencedStdout silenced;
    for (auto _ : state) {
        Logger::shared().log(LogLevel::warning, [] {
            return QStringLiteral("⚠️ 重复上次选区：起始屏不可用，记录已清除");
        });
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrintedWarning);

void BM_PrintedErrorFromManyThreads(benchmark::State& state)
{
    // Only the first thread redirects; all threads write to the same silenced stdout.
    std::unique_ptr<SilencedStdout> silenced;
    if (state.thread_index() == 0)
        silenced = std::make_unique<SilencedStdout>();
    for (auto _ : state) {
        Logger::shared().log(LogLevel::error, [&] {
            return QStringLiteral("📜 PNG 编码失败，取消交付 #%1").arg(state.thread_index());
        });
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrintedErrorFromManyThreads)->Threads(4);

} // namespace
