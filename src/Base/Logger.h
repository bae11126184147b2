#pragma once

#include <QString>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

// Severity of one log call. Error and warning print by default; info and debug only
// when asked for (LUMETRA_LOG, or --verbose on the command line).
enum class LogLevel : std::uint8_t {
    error = 1,
    warning = 2,
    info = 3,
    debug = 4,
};

// The program's one diagnostic channel. Messages are passed as callables so that
// suppressed levels never pay for building their text.
class Logger {
public:
    static Logger& shared();

    // The most verbose level that prints. Starts from LUMETRA_LOG ("error", "warning",
    // "info", "debug"; anything else leaves the default, warning).
    void setThreshold(LogLevel level);
    LogLevel threshold();

    // The level a LUMETRA_LOG value names, if it names one (any letter case).
    static std::optional<LogLevel> levelNamed(const char* name);

    template <typename MessageFn>
    void log(LogLevel level, MessageFn&& message)
    {
        std::uint8_t threshold;
        {
            std::lock_guard<std::mutex> lock(m_levelLock);
            threshold = m_threshold;
        }
        if (static_cast<std::uint8_t>(level) > threshold)
            return;
        write(level, toUtf8(std::forward<MessageFn>(message)()));
    }

    // The printed form of one line, without the trailing newline.
    static std::string formatLine(LogLevel level, const std::string& message);

private:
    Logger();
    void write(LogLevel level, const std::string& message);

    static std::string toUtf8(const QString& text) { return text.toStdString(); }
    static std::string toUtf8(const std::string& text) { return text; }
    static std::string toUtf8(const char* text) { return text ? std::string(text) : std::string(); }

    std::mutex m_levelLock;
    std::uint8_t m_threshold = static_cast<std::uint8_t>(LogLevel::warning);
};

// Call-site shorthand: logMessage(LogLevel::error, [&] { return QStringLiteral("❌ ..."); });
template <typename MessageFn>
inline void logMessage(LogLevel level, MessageFn&& message)
{
    Logger::shared().log(level, std::forward<MessageFn>(message));
}
